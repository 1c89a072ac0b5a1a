// Damaged portfolio files: the reader either refuses them with a conversion error or reads
// them into a document that saves and reads back unchanged. Run under the sanitizers, this
// also shows that no damage makes it read out of bounds.

#include "CvFileSamples.h"

#include "portfolio/Cv.h"

#include "platform/ConversionError.h"
#include "platform/DateTime.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace {

// mt19937_64's outputs are fixed by the standard, unlike the library's distributions.
class Alea {
public:
    explicit Alea(std::uint64_t graine) : gen_(graine) {}
    std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(gen_() % n); }

private:
    std::mt19937_64 gen_;
};

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t debut = 0;
    while (debut < text.size()) {
        const std::size_t fin = text.find('\n', debut);
        if (fin == std::string::npos) {
            lines.push_back(text.substr(debut));
            break;
        }
        lines.push_back(text.substr(debut, fin - debut + 1));
        debut = fin + 1;
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines)
        text += l;
    return text;
}

std::string Mutate(std::string text, Alea& alea) {
    const std::size_t n = 1 + alea.Below(4);
    for (std::size_t k = 0; k < n; ++k) {
        switch (alea.Below(8)) {
        case 0: // flip a byte
            if (!text.empty())
                text[alea.Below(text.size())] ^= static_cast<char>(1 + alea.Below(255));
            break;
        case 1: // the file ends early
            text.resize(alea.Below(text.size() + 1));
            break;
        case 2: // a separator more
            text.insert(alea.Below(text.size() + 1), 1, '|');
            break;
        case 3: { // a line twice
            auto lines = SplitLines(text);
            if (!lines.empty()) {
                const std::size_t i = alea.Below(lines.size());
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), lines[i]);
            }
            text = JoinLines(lines);
            break;
        }
        case 4: { // a long run inside a line, sometimes past the reader's limit
            const std::size_t longueur = 50 + alea.Below(2000);
            std::string run;
            for (std::size_t i = 0; i < longueur; ++i)
                run += static_cast<char>(' ' + alea.Below(95));
            text.insert(alea.Below(text.size() + 1), run);
            break;
        }
        case 5: { // a line lost
            auto lines = SplitLines(text);
            if (!lines.empty())
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(alea.Below(lines.size())));
            text = JoinLines(lines);
            break;
        }
        case 6: { // a byte that means something to the reader
            static const char speciaux[] = "|*\r\n\0T/:-.A";
            if (!text.empty())
                text[alea.Below(text.size())] = speciaux[alea.Below(sizeof speciaux - 1)];
            break;
        }
        default: { // two lines swapped
            auto lines = SplitLines(text);
            if (lines.size() > 1)
                std::swap(lines[alea.Below(lines.size())], lines[alea.Below(lines.size())]);
            text = JoinLines(lines);
            break;
        }
        }
    }
    return text;
}

// The two-digit year window follows the clock: fixed for the run, whatever happens.
struct FixedClock {
    FixedClock() { platform::Clock::SetFixed(platform::EncodeDate(2024, 6, 1)); }
    ~FixedClock() { platform::Clock::Reset(); }
};

} // namespace

TEST(PortfolioFileFuzz, DamagedFilesAreRefusedOrReadIntoASavableDocument) {
    const FixedClock horloge;
    // Every save syncs its file: in memory when possible, so thousands of saves stay quick.
    std::error_code erreur;
    const bool shm = std::filesystem::is_directory("/dev/shm", erreur);
    const TempFolder dir(shm ? std::filesystem::path("/dev/shm")
                             : std::filesystem::temp_directory_path());

    TCorv modele("");
    cvtest::FillRichDocument(modele);
    modele.Fichier = dir.File("modele.cvx");
    ASSERT_TRUE(modele.SaveFile());
    const std::vector<std::string> bases = {
        cvtest::ReadAll(modele.Fichier),
        "150000|100000|0.006|0.196|1500|500000|0.004|0.206|1000|3.5|4.5|*\r\n"
        "M|05/01/99|F|D|300|Achat|*\r\n"
        "O|777|F|15/03/20|V|5|2000|10|0|*\r\n"
        "A|777|Seuil|T|T|30/12/99|0|1500|1|0|0|*\r\n"
        "C|777|Soci\xE9t\xE9|Paris|Banques|4567|02/05/24|17:35:12|-1.25|4600|4500|T|F|"
        "300|100|4100|41|0|0|1500|1231000|1231000|460000|459500|0|0|*\r\n"};

    Alea alea(20240601);
    int refuses = 0;
    int lus = 0;
    int sansRetour = 0; // read, told of, and refused by the save until mended
    const std::string damaged = dir.File("abime.cvx");
    for (int i = 0; i < 3000; ++i) {
        const std::string text = Mutate(bases[static_cast<std::size_t>(i) % bases.size()], alea);
        cvtest::WriteAll(damaged, text);
        TCorv doc("");
        std::vector<std::string> remarques;
        try {
            doc.LoadFile(damaged, &remarques);
        } catch (const platform::ConversionError&) {
            ++refuses;
            continue;
        }
        ++lus;
        // Whatever was read without a remark must save; a text the reader told of may be
        // refused by the save, which then names it. The saved file must read back into a
        // document that saves the very same text.
        doc.Fichier = dir.File("sauve1.cvx");
        std::string raison;
        if (!doc.SaveFile(&raison)) {
            ASSERT_FALSE(remarques.empty()) << "mutant " << i << ": " << raison;
            ASSERT_FALSE(raison.empty()) << "mutant " << i;
            ++sansRetour;
            continue;
        }
        TCorv relu("");
        try {
            ASSERT_EQ(relu.LoadFile(doc.Fichier), 1) << "mutant " << i;
        } catch (const platform::ConversionError& e) {
            FAIL() << "mutant " << i << ": saved file refused: " << e.what() << "\n" << text;
        }
        relu.Fichier = dir.File("sauve2.cvx");
        ASSERT_TRUE(relu.SaveFile());
        ASSERT_EQ(cvtest::ReadAll(relu.Fichier), cvtest::ReadAll(doc.Fichier))
            << "mutant " << i << "\n"
            << text;
    }
    // Both outcomes must occur, or the mutations test nothing.
    std::cout << "refused " << refuses << ", read " << lus << " (" << sansRetour
              << " not saved as read)\n";
    EXPECT_GT(refuses, 300);
    EXPECT_GT(lus, 300);
}
