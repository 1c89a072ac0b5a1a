#pragma once

// The window's commands name the dialog they show in that dialog's global (AddOper, Alarme,
// Form5, ...), which other code reads while it is open.

// Names a dialog in its global while the command shows it, however the command ends.
template <typename T> class Shown {
public:
    Shown(T*& global, T* dialog) : global_(global) { global_ = dialog; }
    ~Shown() { global_ = nullptr; }
    Shown(const Shown&) = delete;
    Shown& operator=(const Shown&) = delete;

private:
    T*& global_;
};
