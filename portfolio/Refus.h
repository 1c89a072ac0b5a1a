#pragma once

// How an operation on the document says no. A refused operation changed nothing and tells
// why in one French sentence for the user; an accepted one holds no sentence. The result
// cannot be dropped unread: a refusal nobody shows is a change the user believes made.
//
//   if (const Refus refus = doc.AddMvt(mvt))   // true when refused
//       Show(refus.Texte());
//
// Inside an operation a sentence is returned as it is ("return kSaisieIncorrecte;", "return
// SommesRefusees(*titre, *essai);"), and an accepted operation returns {}.

#include <ostream>
#include <string>
#include <utility>

class [[nodiscard]] Refus {
public:
    Refus() = default;
    Refus(std::string raison) : raison_(std::move(raison)) {}
    Refus(const char* raison) : raison_(raison) {}

    explicit operator bool() const { return !raison_.empty(); }
    // Accepted: the reading a std::string result had, kept for code written against it.
    bool empty() const { return raison_.empty(); }
    const std::string& Texte() const { return raison_; }

    friend bool operator==(const Refus&, const Refus&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Refus& refus) {
        return out << '"' << refus.raison_ << '"';
    }

private:
    std::string raison_;
};
