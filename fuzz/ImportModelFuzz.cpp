// The import model reader (.cvm) and the cutting of history text lines under a layout, on
// arbitrary input: the first line is read as a model file's line, the following ones are cut
// under the model when it is accepted (else under a layout made of the first bytes).
//
// A model accepted writes back into a line that reads into the same model, and writing that
// one gives the same line; a model refused leaves the dialog's model as it was, and a model
// for the current security only is refused without one. A cut line fills exactly the
// layout's kinds, with prices and volumes that the history can hold, or is refused whole
// with the reason.

#include "fuzz/FuzzSupport.h"

#include "platform/ConversionError.h"
#include "portfolio/HistoImport.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool Same(const ModeleFichier& a, const ModeleFichier& b) {
    return a.TypeImp == b.TypeImp && a.AvecSep == b.AvecSep && a.Car == b.Car &&
           a.Champs == b.Champs;
}

// A model that no line reads into: what a refusal must leave untouched.
ModeleFichier Untouched() {
    ModeleFichier modele;
    modele.TypeImp = 7;
    modele.Car = '\x01';
    modele.Champs = {ciIgnore, ciIgnore, ciIgnore};
    return modele;
}

// Reads the model line; checks what holds whether or not it is accepted.
bool ReadModel(std::string_view line, ModeleFichier& modele) {
    ModeleFichier sansTitre = Untouched();
    const bool lu = ReadModelLine(line, false, sansTitre);
    modele = Untouched();
    const bool luAvecTitre = ReadModelLine(line, true, modele);
    if (!lu)
        fuzzsupport::Check(Same(sansTitre, Untouched()), "a refused model changes the model");
    if (!luAvecTitre) {
        fuzzsupport::Check(Same(modele, Untouched()), "a refused model changes the model");
        fuzzsupport::Check(!lu, "a model needs no security yet is refused with one");
        return false;
    }
    fuzzsupport::Check(lu == (modele.TypeImp == 0),
                       "a model for the current security is read without one, or one for "
                       "several securities is refused without one");
    if (lu)
        fuzzsupport::Check(Same(sansTitre, modele), "a model reads otherwise without a security");

    const std::string written = ModelLine(modele);
    ModeleFichier reread = Untouched();
    fuzzsupport::Check(ReadModelLine(written, true, reread), "a written model is refused");
    fuzzsupport::Check(Same(reread, modele), "a model changes through its file");
    fuzzsupport::Check(ModelLine(reread) == written, "a model writes otherwise once read");
    return true;
}

// A layout from raw bytes: separator, then one kind per byte.
ModeleImport RawLayout(std::string_view bytes) {
    ModeleImport layout;
    if (bytes.empty())
        return layout;
    layout.Separateur = bytes[0];
    bytes.remove_prefix(1);
    layout.NbChamps = static_cast<std::int32_t>(std::min<std::size_t>(bytes.size(), 8));
    for (int i = 0; i < layout.NbChamps; ++i)
        layout.Champs[i] = static_cast<std::uint8_t>(static_cast<unsigned char>(bytes[i]) % 7);
    return layout;
}

void CutChecked(std::string_view line, const ModeleImport& layout) {
    LigneImport lu;
    try {
        lu = CutImportLine(line, layout);
    } catch (const platform::ConversionError& error) {
        fuzzsupport::Check(error.what()[0] != '\0', "a line is refused without a reason");
        return;
    }
    std::array<bool, 7> dansLeModele{};
    for (int i = 0; i < layout.NbChamps; ++i)
        dansLeModele[layout.Champs[i]] = true;
    for (int kind = ciSicovam; kind < ciIgnore; ++kind)
        fuzzsupport::Check(lu.Rempli[kind] == dansLeModele[kind],
                           "a cut line does not fill exactly the layout's kinds");
    fuzzsupport::Check(!lu.Rempli[ciIgnore], "an ignored field is filled");
    for (double prix : lu.Prix)
        fuzzsupport::Check(std::isfinite(prix) && prix >= 0.0 && prix * 100.0 < 2147483647.0,
                           "a price that the history cannot hold");
    fuzzsupport::Check(lu.Volume >= 0, "a negative volume");
    fuzzsupport::Check(std::isfinite(lu.Date) && lu.Date == std::floor(lu.Date),
                       "a date with a time of day");
    const std::string_view code = lu.Sicovam;
    fuzzsupport::Check(code.empty() || (code.front() != ' ' && code.front() != '\t' &&
                                        code.back() != ' ' && code.back() != '\t'),
                       "a code keeps blanks around it");
    fuzzsupport::Check(code.find(layout.Separateur) == std::string_view::npos,
                       "a code holds the separator");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t end = text.find('\n');
    const std::string_view first = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

    ModeleFichier modele;
    const ModeleImport layout = ReadModel(first, modele) ? LayoutOf(modele) : RawLayout(first);
    while (!text.empty()) {
        const std::size_t next = text.find('\n');
        std::string_view line = text.substr(0, next);
        text.remove_prefix(next == std::string_view::npos ? text.size() : next + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() <= kLigneImportMax && !IsBlankImportLine(line))
            CutChecked(line, layout);
    }
    return 0;
}
