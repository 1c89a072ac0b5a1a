#include "reports/ReportEngine.h"

#include "widgets/UiPrompts.h"

#include "platform/DateText.h"
#include "platform/DateTime.h"
#include "platform/MemTable.h"
#include "platform/Numbers.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>

#include <algorithm>
#include <exception>
#include <functional>
#include <stdexcept>

namespace {

constexpr double kMargin = 10.0;      // millimetres
constexpr double kTolerance = 1.0e-6; // a band that ends exactly on the footer still fits
constexpr double kMmPerInch = 25.4;
// Texts are measured at this resolution, where glyph widths follow the point size closely.
constexpr int kMeasureDpi = 1200;
// A figure too wide for its cell shrinks down to this share of its size at most: below it,
// it would no longer be read on paper.
constexpr double kShrinkFloor = 0.5;

QString Masque(const QString& mask, double value) {
    return QString::fromStdString(platform::FormatMask(mask.toStdString(), value));
}

const QPaintDevice& MeasureDevice() {
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = qRound(kMeasureDpi / (kMmPerInch / 1000.0));
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return device;
}

double PixelsToMm(double pixels) {
    return pixels * kMmPerInch / MeasureDevice().logicalDpiX();
}

double MmToPixels(double mm) {
    return mm * MeasureDevice().logicalDpiX() / kMmPerInch;
}

QFontMetricsF Metrics(double points, bool bold) {
    return QFontMetricsF(TQuickRep::TextFont(points, bold), &MeasureDevice());
}

// Makes a one-line text fit its cell: a figure is printed smaller, a free text (or a figure
// that would have to go below the floor) is cut short. An item without a width is placed
// at a point and has no cell to fit.
void FitText(QRText& text, bool elide) {
    const double room = text.Rect.width();
    if (text.WordWrap || text.Text.isEmpty() || room <= 0.0)
        return;
    const double width = TQuickRep::TextWidth(text.Text, text.FontSize, text.Bold);
    if (width <= room)
        return;
    if (!elide && width > 0.0) {
        const double floor = text.FontSize * kShrinkFloor;
        double size = std::max(floor, text.FontSize * room / width);
        while (size > floor && TQuickRep::TextWidth(text.Text, size, text.Bold) > room)
            size = std::max(floor, size - 0.1);
        text.FontSize = size;
        if (TQuickRep::TextWidth(text.Text, size, text.Bold) <= room)
            return;
    }
    text.Text =
        Metrics(text.FontSize, text.Bold).elidedText(text.Text, Qt::ElideRight, MmToPixels(room));
}

TQRItem& Add(TQRBand& band, TQRItemKind kind, const QString& name, const QRectF& rect,
             Qt::Alignment alignment) {
    TQRItem item;
    item.Kind = kind;
    item.Name = name;
    item.Rect = rect;
    item.Alignment = alignment;
    band.Items.push_back(item);
    return band.Items.back();
}

bool IsNumeric(const platform::MemTable& table, int field) {
    return table.FieldDefAt(field).Type != platform::FieldType::String;
}

// The field that "SUM(Table.Field)" adds up; -1 when the expression is not such a sum.
int SummedField(const platform::MemTable& table, const QString& expression) {
    const QString text = expression.trimmed();
    if (!text.startsWith(QString("SUM("), Qt::CaseInsensitive) || !text.endsWith(QLatin1Char(')')))
        return -1;
    QString operand = text.mid(4, text.size() - 5).trimmed();
    const qsizetype point = operand.indexOf(QLatin1Char('.'));
    if (point >= 0) {
        if (operand.left(point).compare(QString::fromStdString(table.Name()),
                                        Qt::CaseInsensitive) != 0)
            return -1;
        operand = operand.mid(point + 1);
    }
    const int field = table.FindField(operand.toStdString());
    return field >= 0 && IsNumeric(table, field) ? field : -1;
}

// Lays the bands out page after page.
class Layout {
public:
    Layout(TQuickRep& report, const QSizeF& area, QRProgress progress = {})
        : report_(report), area_(area), progress_(std::move(progress)) {
        if (report.DataSet != nullptr)
            sums_.assign(static_cast<std::size_t>(report.DataSet->FieldCount()), 0.0);
        footer_ = FindBand(TQRBandType::PageFooter);
        footerTop_ = area.height() - (footer_ != nullptr ? footer_->Height : 0.0);
    }

    bool Cancelled() const { return cancelled_; }

    std::vector<QRPage> Run() {
        NewPage();
        if (TQRBand* detail = FindBand(TQRBandType::Detail))
            Details(*detail);
        if (cancelled_)
            return std::move(pages_);
        if (TQRBand* summary = FindBand(TQRBandType::Summary)) {
            MakeRoom(summary->Height);
            Place(*summary, -1);
        }
        ClosePage();
        return std::move(pages_);
    }

private:
    TQRBand* FindBand(TQRBandType type) {
        for (TQRBand& band : report_.Bands)
            if (band.Type == type)
                return &band;
        return nullptr;
    }

    void NewPage() {
        pages_.emplace_back();
        y_ = 0.0;
        if (pages_.size() == 1)
            if (TQRBand* title = FindBand(TQRBandType::Title))
                Place(*title, -1);
        if (TQRBand* header = FindBand(TQRBandType::ColumnHeader))
            Place(*header, -1);
    }

    void ClosePage() {
        if (footer_ == nullptr)
            return;
        y_ = footerTop_;
        Place(*footer_, -1);
    }

    // A band that does not fit above the footer goes to the next page; one taller than a
    // whole page is printed anyway, at the top of its own page.
    void MakeRoom(double height) {
        if (y_ + height <= footerTop_ + kTolerance || y_ <= HeaderHeight() + kTolerance)
            return;
        ClosePage();
        NewPage();
    }

    double HeaderHeight() {
        double height = 0.0;
        if (pages_.size() == 1)
            if (TQRBand* title = FindBand(TQRBandType::Title))
                height += title->Height;
        if (TQRBand* header = FindBand(TQRBandType::ColumnHeader))
            height += header->Height;
        return height;
    }

    void Details(TQRBand& detail) {
        platform::MemTable* table = report_.DataSet;
        if (table == nullptr) {
            MakeRoom(detail.Height);
            Place(detail, -1);
            return;
        }
        const int rows = table->RecordCount();
        for (int row = 0; row < rows; ++row) {
            if (progress_ && pages_.size() != told_) {
                told_ = pages_.size();
                if (!progress_(QString("Mise en page : %1 pages").arg(told_), row, rows)) {
                    cancelled_ = true;
                    return;
                }
            }
            table->MoveTo(row);
            bool print = true;
            if (detail.BeforePrint)
                detail.BeforePrint(detail, print);
            if (!print)
                continue;
            MakeRoom(detail.Height);
            Place(detail, row);
            for (int field = 0; field < table->FieldCount(); ++field)
                if (IsNumeric(*table, field) && !table->IsNullAt(row, field))
                    sums_[static_cast<std::size_t>(field)] += table->NumberAt(row, field);
        }
    }

    void Place(const TQRBand& band, int row) {
        QRPrintedBand printed;
        printed.Type = band.Type;
        printed.Name = band.Name;
        printed.Row = row;
        printed.Rect = QRectF(0.0, y_, area_.width(), band.Height);
        printed.Color = band.Color;
        printed.LineAbove = band.LineAbove;
        printed.LineBelow = band.LineBelow;
        for (const TQRItem& item : band.Items) {
            QRText text;
            text.Name = item.Name;
            text.Text = Resolve(item);
            text.Rect = item.Rect.translated(0.0, y_);
            text.Alignment = item.Alignment;
            text.FontSize = item.FontSize;
            text.Bold = item.Bold;
            text.WordWrap = item.WordWrap;
            FitText(text, item.Elide);
            printed.Texts.push_back(std::move(text));
        }
        pages_.back().Bands.push_back(std::move(printed));
        y_ += band.Height;
    }

    QString Resolve(const TQRItem& item) const {
        switch (item.Kind) {
        case TQRItemKind::Label:
            return item.Caption;
        case TQRItemKind::SysData:
            return QString::fromStdString(platform::DateTimeToStr(platform::Now()));
        case TQRItemKind::DBText: {
            platform::MemTable* table = Table(item);
            const int field = table->FindField(item.DataField);
            if (field < 0)
                throw std::logic_error("Champ inconnu de l'état : " + item.DataField);
            const platform::Field value = table->Fields(field);
            if (value.IsNull())
                return QString();
            if (!item.Mask.isEmpty() && IsNumeric(*table, field))
                return Masque(item.Mask, value.AsFloat());
            return QString::fromStdString(value.DisplayText());
        }
        case TQRItemKind::Expr: {
            const int field = SummedField(*Table(item), item.Expression);
            if (field < 0)
                throw std::logic_error("Expression inconnue de l'état : " +
                                       item.Expression.toStdString());
            const double sum = sums_[static_cast<std::size_t>(field)];
            return item.Mask.isEmpty() ? QString::fromStdString(platform::FormatFixedUser(sum, 2))
                                       : Masque(item.Mask, sum);
        }
        }
        return QString();
    }

    platform::MemTable* Table(const TQRItem& item) const {
        if (report_.DataSet == nullptr)
            throw std::logic_error("L'état n'a pas de table pour " + item.Name.toStdString());
        return report_.DataSet;
    }

    TQuickRep& report_;
    QSizeF area_;
    TQRBand* footer_ = nullptr;
    double footerTop_ = 0.0;
    double y_ = 0.0;
    std::vector<double> sums_;
    std::vector<QRPage> pages_;
    QRProgress progress_;
    std::size_t told_ = 0; // pages laid out when the progress last heard
    bool cancelled_ = false;
};

// The window that shows how far a long report has got, with the button that gives it up. It
// shows only once the report has worked for a while; while shown, it keeps the program's
// windows drawn.
class ProgressWindow {
public:
    ProgressWindow(QWidget* owner, const QString& title) : dialog_(owner) {
        dialog_.setWindowTitle(title);
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(TQuickRep::ProgressDelayMs);
        dialog_.setAutoReset(false);
        dialog_.setAutoClose(false);
        dialog_.setCancelButtonText(QString("Annuler"));
        dialog_.setMinimumWidth(360);
    }

    bool operator()(const QString& stage, int done, int total) {
        if (dialog_.maximum() != total)
            dialog_.setMaximum(total);
        dialog_.setLabelText(stage);
        // The dialog starts timing from its first value; later ones show it when due.
        dialog_.setValue(done);
        return !dialog_.wasCanceled();
    }

private:
    QProgressDialog dialog_;
};

// What a drawing given up on a printer leaves: a file cut short is removed; the pages a
// spooler was handed cannot be called back, which the user is told. A preview draws into
// pictures, which are merely dropped.
class GivenUpJob {
public:
    GivenUpJob(QPagedPaintDevice& device, QPainter& painter) {
        const auto* printer = dynamic_cast<const QPrinter*>(&device);
        if (printer == nullptr || painter.paintEngine()->type() == QPaintEngine::Picture)
            return;
        printed_ = true;
        file_ = printer->outputFileName();
    }

    // Once the painter has ended, with the pages drawn and the pages in all.
    void Discard(int drawn, int pages) const {
        if (!printed_)
            return;
        if (file_.isEmpty())
            throw std::runtime_error(
                QString("Impression interrompue : les pages déjà tracées (%1 sur %2) étaient "
                        "confiées à l'imprimante, qui peut encore les imprimer.")
                    .arg(drawn)
                    .arg(pages)
                    .toStdString());
        if (QFile::exists(file_) && !QFile::remove(file_))
            throw std::runtime_error(QString("Impression interrompue : le fichier « %1 » est "
                                             "incomplet (%2 pages sur %3) et n'a pas pu être "
                                             "supprimé.")
                                         .arg(file_)
                                         .arg(drawn)
                                         .arg(pages)
                                         .toStdString());
    }

private:
    bool printed_ = false;
    QString file_;
};

// Gives a printer back its page layout when a report is done with it.
class LayoutKept {
public:
    explicit LayoutKept(QPrinter& printer) : printer_(printer), saved_(printer.pageLayout()) {}
    ~LayoutKept() { printer_.setPageLayout(saved_); }
    LayoutKept(const LayoutKept&) = delete;
    LayoutKept& operator=(const LayoutKept&) = delete;

private:
    QPrinter& printer_;
    QPageLayout saved_;
};

} // namespace

// ---- bands ----

TQRItem& TQRBand::AddLabel(const QString& name, const QString& caption, const QRectF& rect,
                           Qt::Alignment alignment) {
    TQRItem& item = Add(*this, TQRItemKind::Label, name, rect, alignment);
    item.Caption = caption;
    return item;
}

TQRItem& TQRBand::AddDBText(const QString& name, const std::string& field, const QRectF& rect,
                            const QString& mask, Qt::Alignment alignment) {
    TQRItem& item = Add(*this, TQRItemKind::DBText, name, rect, alignment);
    item.DataField = field;
    item.Mask = mask;
    return item;
}

TQRItem& TQRBand::AddExpr(const QString& name, const QString& expression, const QRectF& rect,
                          const QString& mask, Qt::Alignment alignment) {
    TQRItem& item = Add(*this, TQRItemKind::Expr, name, rect, alignment);
    item.Expression = expression;
    item.Mask = mask;
    return item;
}

TQRItem& TQRBand::AddSysData(const QString& name, const QRectF& rect, Qt::Alignment alignment) {
    return Add(*this, TQRItemKind::SysData, name, rect, alignment);
}

TQRItem* TQRBand::Item(const QString& name) {
    for (TQRItem& item : Items)
        if (item.Name == name)
            return &item;
    return nullptr;
}

const QRText* QRPrintedBand::Find(const QString& name) const {
    for (const QRText& text : Texts)
        if (text.Name == name)
            return &text;
    return nullptr;
}

QString QRPrintedBand::Text(const QString& name) const {
    const QRText* text = Find(name);
    return text != nullptr ? text->Text : QString();
}

// ---- the report ----

TQRBand& TQuickRep::AddBand(TQRBandType type, const QString& name, double height) {
    TQRBand band;
    band.Type = type;
    band.Name = name;
    band.Height = height;
    Bands.push_back(std::move(band));
    return Bands.back();
}

TQRItem* TQuickRep::Item(const QString& name) {
    for (TQRBand& band : Bands)
        if (TQRItem* item = band.Item(name))
            return item;
    return nullptr;
}

void TQuickRep::SetupPage(QPagedPaintDevice& device) const {
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), Orientation,
                                     QMarginsF(kMargin, kMargin, kMargin, kMargin),
                                     QPageLayout::Millimeter));
}

QSizeF TQuickRep::DefaultArea() const {
    QSizeF page = QPageSize(QPageSize::A4).size(QPageSize::Millimeter);
    if (Orientation == QPageLayout::Landscape)
        page.transpose();
    return QSizeF(page.width() - 2.0 * kMargin, page.height() - 2.0 * kMargin);
}

double TQuickRep::DesignWidth() const {
    double width = DefaultArea().width();
    for (const TQRBand& band : Bands)
        for (const TQRItem& item : band.Items)
            width = std::max(width, item.Rect.right());
    return width;
}

std::vector<QRPage> TQuickRep::Prepare(const QSizeF& area) {
    return Layout(*this, area).Run();
}

QRSheets TQuickRep::PrepareForPage(const QSizeF& area, const QRProgress& progress) {
    QRSheets sheets;
    const double width = DesignWidth();
    if (area.width() > 0.0 && area.width() < width)
        sheets.Scale = area.width() / width;
    Layout layout(*this, QSizeF(width, area.height() / sheets.Scale), progress);
    sheets.Pages = layout.Run();
    sheets.Cancelled = layout.Cancelled();
    return sheets;
}

QFont TQuickRep::TextFont(double points, bool bold) {
    QFont font;
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

double TQuickRep::TextWidth(const QString& text, double points, bool bold) {
    return PixelsToMm(Metrics(points, bold).horizontalAdvance(text));
}

double TQuickRep::WrappedHeight(const QString& text, double width, double points, bool bold) {
    const QRectF room(0.0, 0.0, MmToPixels(width), 1.0e6);
    return PixelsToMm(Metrics(points, bold).boundingRect(room, Qt::TextWordWrap, text).height());
}

double TQuickRep::CellWidthFor(double textWidth) {
    return textWidth * 1.04 + 0.3;
}

void TQuickRep::PaintPage(QPainter& painter, const QRPage& page, double kx, double ky) {
    const auto px = [kx, ky](const QRectF& mm) {
        return QRectF(mm.x() * kx, mm.y() * ky, mm.width() * kx, mm.height() * ky);
    };
    painter.save();
    QPen pen(Qt::black);
    pen.setWidthF(0.25 * kx);
    for (const QRPrintedBand& band : page.Bands) {
        const QRectF rect = px(band.Rect);
        if (band.Color != QColor(Qt::white))
            painter.fillRect(rect, band.Color);
        painter.setPen(pen);
        if (band.LineAbove)
            painter.drawLine(rect.topLeft(), rect.topRight());
        if (band.LineBelow)
            painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        for (const QRText& text : band.Texts) {
            if (text.Text.isEmpty())
                continue;
            painter.setFont(TextFont(text.FontSize, text.Bold));
            // The layout made every text fit its cell; a device that draws type a hair wider
            // must not clip the ends of a figure.
            int flags = static_cast<int>(text.Alignment) | Qt::TextDontClip;
            if (text.WordWrap)
                flags |= Qt::TextWordWrap;
            painter.drawText(px(text.Rect), flags, text.Text);
        }
    }
    painter.restore();
}

bool TQuickRep::Paint(QPagedPaintDevice& device, const QRProgress& progress) {
    const QRectF area = device.pageLayout().paintRect(QPageLayout::Millimeter);
    const QRSheets sheets = PrepareForPage(area.size(), progress);
    if (sheets.Cancelled)
        return false;
    QPainter painter;
    if (!painter.begin(&device))
        throw std::runtime_error("Impression impossible : le périphérique d'impression ne "
                                 "s'ouvre pas.");
    const double kx = device.logicalDpiX() / kMmPerInch;
    const double ky = device.logicalDpiY() / kMmPerInch;
    const int pages = static_cast<int>(sheets.Pages.size());
    for (int i = 0; i < pages; ++i) {
        if (progress &&
            !progress(QString("Impression de la page %1 sur %2").arg(i + 1).arg(pages), i, pages)) {
            const GivenUpJob job(device, painter);
            // Aborting a printer is no way out: a preview's engine frees its pages twice at
            // the next preview, and a file's engine ignores it, leaving a well-formed PDF.
            painter.end();
            job.Discard(i, pages);
            return false;
        }
        if (i > 0)
            device.newPage();
        painter.resetTransform();
        painter.scale(sheets.Scale, sheets.Scale);
        PaintPage(painter, sheets.Pages[static_cast<std::size_t>(i)], kx, ky);
    }
    painter.end();
    return true;
}

bool TQuickRep::Print(QPrinter& printer) {
    const LayoutKept kept(printer);
    SetupPage(printer);
    printer.setDocName(ReportTitle);
    ProgressWindow progress(Owner, ReportTitle);
    return Paint(printer, std::ref(progress));
}

void TQuickRep::Preview(QPrinter& printer, UiPrompts& prompts) {
    const LayoutKept kept(printer);
    SetupPage(printer);
    printer.setDocName(ReportTitle);
    QPrintPreviewDialog dialog(&printer, Owner);
    dialog.setObjectName("QRPreview");
    dialog.setWindowTitle(ReportTitle);
    // The preview draws inside its own event loop, which no exception may cross.
    std::exception_ptr error;
    bool premier = true; // the first drawing builds the preview; later ones print or redraw it
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this, &error, &dialog, &premier](QPrinter* device) {
                         const bool apercu = premier;
                         premier = false;
                         try {
                             ProgressWindow progress(&dialog, ReportTitle);
                             // A preview given up while it is built is not wanted at all.
                             if (!Paint(*device, std::ref(progress)) && apercu)
                                 QMetaObject::invokeMethod(&dialog, &QDialog::reject,
                                                           Qt::QueuedConnection);
                         } catch (...) {
                             error = std::current_exception();
                         }
                     });
    prompts.RunDialog(dialog);
    if (error)
        std::rethrow_exception(error);
}
