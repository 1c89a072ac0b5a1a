#pragma once

// What a page of the main window asks of the window around it. The pages own their widgets
// and their state; the document, the tree's selection, the redisplay after a change and the
// status line stay the window's.

#include <functional>

class QString;
class SettingsKeeper;
class TCorv;
class UiPrompts;
struct Valeurs;

class PageHost {
public:
    // The open document; null while none is (the window is being built or closes).
    virtual TCorv* Portefeuille() const = 0;
    // The security of the tree's selected node, or null.
    virtual Valeurs* SelectedTitre() const = 0;
    // Recomputes one security (every one when null) and redisplays every page.
    virtual void RefreshViews(Valeurs* titre) = 0;
    // Selects the security in the tree, on its synthesis tab.
    virtual void ShowSecurity(Valeurs* titre) = 0;
    // Runs a command so that no exception reaches the event loop: errors are shown.
    virtual void Guard(const std::function<void()>& command) = 0;
    virtual UiPrompts& Prompts() const = 0;
    // The settings as this run holds them. SaveSettings writes what changed; false, once the
    // user has been told (once a run), when they could not be written.
    virtual SettingsKeeper& Settings() const = 0;
    virtual bool SaveSettings() = 0;
    // The start of the profitability period, which the summaries' picker sets.
    virtual double DateRentabilite() const = 0;
    // The read-out panel of the status line: the row under the mouse, the chart's point.
    virtual void ShowReadOut(const QString& text) = 0;
    virtual QString ReadOut() const = 0;

protected:
    ~PageHost() = default;
};
