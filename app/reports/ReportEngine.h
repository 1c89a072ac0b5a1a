#pragma once

// The report engine of the printed reports. A report is data first: bands of fixed labels,
// texts bound to the fields of an in-memory table, sums over that table and the date of
// printing. Prepare() lays the bands out on pages (title on the first page, column header
// and page footer on every page, one detail band per row, the summary after the last row)
// and resolves every text, fitting each one into its cell (a figure is printed smaller
// rather than cut; only free texts such as a path or a label are cut short with "…");
// Paint() only draws what Prepare() laid out. So what a report prints can be checked without
// looking at pixels.
//
// Usage (a report form fills its QR, then):
//   report.QR.Preview(*mainForm->Printer(), mainForm->Prompts());  // modal preview
//   report.QR.Print(printer);                                      // straight to a printer
//   report.QR.Paint(pdfWriter);                                    // any paged device
// Coordinates are millimetres from the top-left corner of the page's printable area. A page
// narrower than the report was laid out for (the preview switched to portrait, a smaller
// paper) gets the whole report shrunk to its width, never columns pushed off it.

#include <QColor>
#include <QFont>
#include <QPageLayout>
#include <QRectF>
#include <QString>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QWidget;
class UiPrompts;

namespace platform {
class MemTable;
}

enum class TQRBandType { Title, ColumnHeader, Detail, Summary, PageFooter };

enum class TQRItemKind {
    Label,  // a fixed text
    DBText, // a field of the report's table at the row being printed
    Expr,   // "SUM(Table.Field)" over the detail rows printed so far
    SysData // the date and time of printing
};

struct TQRItem {
    TQRItemKind Kind = TQRItemKind::Label;
    QString Name;
    QString Caption;       // Label
    std::string DataField; // DBText
    QString Expression;    // Expr
    QString Mask;          // DBText, Expr: "0,.00" and the like; empty: the field's own text
    QRectF Rect;           // within the band
    Qt::Alignment Alignment = Qt::AlignLeft | Qt::AlignVCenter;
    double FontSize = 9.0; // points
    bool Bold = false;
    bool WordWrap = false;
    // A free text (a path, a label) too wide for its cell is cut short; any other text is
    // printed smaller so that it stays whole.
    bool Elide = false;
};

struct TQRBand {
    TQRBandType Type = TQRBandType::Detail;
    QString Name;
    double Height = 0.0;
    QColor Color = Qt::white;
    bool LineAbove = false;
    bool LineBelow = false;
    std::vector<TQRItem> Items;
    // Called before each printing of a detail band, the table on the row about to print;
    // clearing the flag skips the row.
    std::function<void(TQRBand& band, bool& printBand)> BeforePrint;

    TQRItem& AddLabel(const QString& name, const QString& caption, const QRectF& rect,
                      Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    TQRItem& AddDBText(const QString& name, const std::string& field, const QRectF& rect,
                       const QString& mask = QString(),
                       Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    TQRItem& AddExpr(const QString& name, const QString& expression, const QRectF& rect,
                     const QString& mask = QString(),
                     Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter);
    TQRItem& AddSysData(const QString& name, const QRectF& rect,
                        Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter);
    TQRItem* Item(const QString& name);
};

// One text as printed: resolved and placed on its page.
struct QRText {
    QString Name;
    QString Text;
    QRectF Rect;
    Qt::Alignment Alignment;
    double FontSize = 9.0; // as printed: below the item's size when the text had to shrink
    bool Bold = false;
    bool WordWrap = false;
};

// One band as printed.
struct QRPrintedBand {
    TQRBandType Type = TQRBandType::Detail;
    QString Name;
    int Row = -1; // detail bands: the row of the table
    QRectF Rect;
    QColor Color = Qt::white;
    bool LineAbove = false;
    bool LineBelow = false;
    std::vector<QRText> Texts;

    const QRText* Find(const QString& name) const;
    QString Text(const QString& name) const; // empty when there is no such text
};

struct QRPage {
    std::vector<QRPrintedBand> Bands;
};

// The report as it goes onto a page: laid out at its own width and drawn at Scale.
struct QRSheets {
    std::vector<QRPage> Pages;
    double Scale = 1.0;
    bool Cancelled = false; // the user gave the layout up: Pages holds what was laid out
};

// Told how far a long report has got: what it is doing, the steps done and the steps in all.
// Answers false when the user gives up.
using QRProgress = std::function<bool(const QString& stage, int done, int total)>;

class TQuickRep {
public:
    QString ReportTitle;
    QPageLayout::Orientation Orientation = QPageLayout::Portrait;
    platform::MemTable* DataSet = nullptr; // none: the detail band prints once
    QWidget* Owner = nullptr;              // parent of the preview
    std::deque<TQRBand> Bands;             // a band stays in place while others are added

    TQRBand& AddBand(TQRBandType type, const QString& name, double height);
    TQRItem* Item(const QString& name); // in any band

    // A4 in the report's orientation with margins of 10 mm.
    void SetupPage(QPagedPaintDevice& device) const;
    // The printable area of that page, in millimetres.
    QSizeF DefaultArea() const;
    // The width the report was laid out for: its page's, or more when an item reaches
    // further.
    double DesignWidth() const;

    // Lays the report out on pages of the given printable area. Moves the table's current
    // row. Throws std::logic_error for a field or an expression that the table lacks.
    std::vector<QRPage> Prepare(const QSizeF& area);
    std::vector<QRPage> Prepare() { return Prepare(DefaultArea()); }
    // Lays the report out for a page of the given printable area: at its own width, shrunk
    // as a whole when the area is narrower. The progress hears of every page laid out.
    QRSheets PrepareForPage(const QSizeF& area, const QRProgress& progress = {});

    // Draws the report on the device under its current page layout, telling the progress of
    // the layout and of every page drawn. False when the user gave up: the device stays fit
    // for the next drawing and a file printed to is removed. Throws std::runtime_error when a
    // given-up print leaves something behind: a file that could not be removed, or pages
    // already handed to a printer's spooler.
    bool Paint(QPagedPaintDevice& device, const QRProgress& progress = {});
    // Sets the page up, prints, and gives the printer back its page layout. A long report
    // shows its progress in a window whose button cancels the job.
    bool Print(QPrinter& printer);
    // Shows the print preview through the prompts; the printer gets its page layout back
    // afterwards. A long report shows the progress of its drawing, and giving the drawing up
    // closes the preview. An error met while drawing the preview is rethrown once it is
    // closed.
    void Preview(QPrinter& printer, UiPrompts& prompts);

    // How long a report works before its progress window shows, in milliseconds.
    static inline int ProgressDelayMs = 500;

    // Draws one laid-out page; millimetres to device pixels by the given scales.
    static void PaintPage(QPainter& painter, const QRPage& page, double pxPerMmX, double pxPerMmY);

    // Texts as printed: the font of a text of the given size, and its extent in
    // millimetres, measured at a printer's resolution where widths follow the point size.
    static QFont TextFont(double points, bool bold);
    static double TextWidth(const QString& text, double points, bool bold);
    // The height of a text wrapped at word boundaries within the given width.
    static double WrappedHeight(const QString& text, double width, double points, bool bold);
    // The room that a cell leaves around the widest text it must hold: a screen's hinting
    // draws small type up to a few percent wider than a printer does.
    static double CellWidthFor(double textWidth);
};
