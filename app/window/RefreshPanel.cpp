#include "window/RefreshPanel.h"

#include "window/QuoteRefresh.h"

#include "platform/Checked.h"
#include "portfolio/Cv.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QTimer>

#include <utility>

namespace {

// The progress panel is drawn by the refresh panel rather than by the bar's own style.
class ProgressPanelPainter : public QObject {
public:
    explicit ProgressPanelPainter(RefreshPanel* panel) : QObject(panel), panel_(panel) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        QPainter canvas(widget);
        panel_->StatusLineDrawPanel(canvas, widget->rect());
        return true;
    }

private:
    RefreshPanel* panel_;
};

} // namespace

RefreshPanel::RefreshPanel(Widgets widgets, std::function<TCorv*()> document, QObject* parent)
    : QObject(parent), FWidgets(widgets), FDocument(std::move(document)) {
    TimeLogs = new QTimer(this);
    TimeLogs->setObjectName("TimeLogs");
    TimeLogs->setInterval(1000);
    connect(TimeLogs, &QTimer::timeout, this, &RefreshPanel::TimeLogsTimer);

    FWidgets.progressPanel->setValue(FProgress);
    FWidgets.progressPanel->installEventFilter(new ProgressPanelPainter(this));

    FViewLogsIcons[0] = FWidgets.viewLogs->icon();
    FViewLogsIcons[1] = QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
}

void RefreshPanel::Follow(const QuoteRefresh& walk) {
    connect(&walk, &QuoteRefresh::ProgressChanged, this, &RefreshPanel::ShowProgress);
    connect(&walk, &QuoteRefresh::RequestState, FWidgets.requestPanel, &QLabel::setText);
    connect(&walk, &QuoteRefresh::AlarmFired, TimeLogs, qOverload<>(&QTimer::start));
}

void RefreshPanel::ShowProgress(int percent) {
    FProgress = percent;
    FWidgets.progressPanel->setValue(FProgress);
    // At once: the walk keeps the thread busy between two requests.
    FWidgets.statusLine->repaint();
}

void RefreshPanel::StatusLineDrawPanel(QPainter& canvas, const QRect& rect) {
    const QColor fond = FWidgets.window->palette().color(QPalette::Button);
    canvas.fillRect(rect, fond);
    if (FProgress == 0)
        return;
    const std::int32_t largeur = platform::Trunc32(rect.width() * FProgress * 0.01);
    canvas.fillRect(QRect(rect.left(), rect.top(), largeur, rect.height()), QColor(0, 0, 255));
    const QString texte = QString::number(FProgress) + " %";
    const QFontMetrics mesure = canvas.fontMetrics();
    const int x = rect.left() + (rect.width() - mesure.horizontalAdvance(texte)) / 2;
    const int y = rect.top() + (rect.height() - mesure.height()) / 2;
    canvas.setPen(Qt::black);
    canvas.setBackgroundMode(Qt::TransparentMode);
    canvas.drawText(QPoint(x, y + mesure.ascent()), texte);
}

void RefreshPanel::TimeLogsTimer() {
    const TCorv* const doc = FDocument();
    if (doc == nullptr)
        return;
    if (doc->AlarmeNouvelle) {
        QApplication::alert(FWidgets.window);
        FViewLogsImage = FViewLogsImage == 21 ? 22 : 21;
    } else {
        FViewLogsImage = 21;
        TimeLogs->stop();
    }
    FWidgets.viewLogs->setIcon(FViewLogsIcons[FViewLogsImage == 21 ? 0 : 1]);
}
