#include "views/Synthese.h"

#include "platform/Checked.h"

#include "portfolio/Cv.h"

#include <cmath>

namespace {

// Shares of two non-negative figures in percent; both 0 when either is negative or the
// total is 0.
void Parts(std::int64_t cash, std::int64_t titres, double& partCash, double& partTitres) {
    const std::int64_t total = cash + titres;
    if (total == 0 || cash < 0 || titres < 0) {
        partCash = partTitres = 0.0;
        return;
    }
    partCash = static_cast<double>(cash) / static_cast<double>(total) * 100.0;
    partTitres = static_cast<double>(titres) / static_cast<double>(total) * 100.0;
}

} // namespace

FiguresSynthese CalculeSynthese(const TCorv& doc) {
    FiguresSynthese f;
    const std::int64_t ca = doc.Cash;
    const std::int64_t ta = doc.ValorNetAct;
    const std::int64_t cl = doc.CashLiq;
    const std::int64_t tl = doc.ValorNet;

    f.CashPo = ca;
    f.EvalTi = ta;
    f.EvalGlo = ca + ta;
    Parts(ca, ta, f.CashPoP, f.EvalTiP);
    f.CashPoL = cl;
    f.EvalTiL = tl;
    f.EvalGloL = cl + tl;
    Parts(cl, tl, f.CashPoPL, f.EvalTiPL);

    f.AchRMB = doc.AchRMBrut;
    f.VeRMB = doc.VenRMBrut;
    f.SoLiqB = f.VeRMB - f.AchRMB;
    f.AchRMN = doc.AchRMNet;
    f.VeRMN = doc.VenRMNet;
    f.SoLiqN = f.VeRMN - f.AchRMN;

    // The cash movements alone (without the cash of settled trades) and the securities now
    // each cover their coefficient's worth of deferred positions.
    const std::int64_t mouvements = ca - doc.RealNetTOT;
    f.CouvT = platform::Trunc64(static_cast<double>(mouvements) * static_cast<double>(doc.CouvC) +
                                static_cast<double>(ta) * static_cast<double>(doc.CouvT));
    const std::int64_t achatsNets = f.AchRMN - f.VeRMN;
    f.CouvE = achatsNets > ca ? achatsNets - ca : 0;
    f.CouvD = f.CouvT - f.CouvE;
    return f;
}
