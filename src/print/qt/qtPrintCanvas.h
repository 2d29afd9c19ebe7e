// The print canvas over a Qt paged device: a printer (through CUPS) or a PDF writer.
#pragma once

#include <QFont>
#include <QPageLayout>
#include <QPainter>

#include <array>
#include <optional>
#include <string>

#include "print/uniPrint.h"

class QPagedPaintDevice;
class QPrinter;

class TQtPrintCanvas final : public TPrintCanvas {
public:
    // The device is borrowed; `printer` is the same device when it is a printer (a failed
    // job is aborted there).
    explicit TQtPrintCanvas(QPagedPaintDevice& device, QPrinter* printer = nullptr);
    ~TQtPrintCanvas() override;

    TPrinterGeometry Geometry() const override;
    void SetFont(std::u16string_view name, int size) override;
    int TextWidth(std::u16string_view text, std::uint8_t style) override;
    int TextHeight() override;
    void BeginJob() override;
    void NewPage() override;
    void EndJob() override;
    void AbortJob() override;
    void DrawText(int x, int y, std::u16string_view text, TColor colour,
                  std::uint8_t style) override;

private:
    // The font with the style bits `style` (bold, italic, underline, strike-out).
    const QFont& Font(std::uint8_t style);

    QPagedPaintDevice& device_;
    QPrinter* printer_;
    QPainter painter_;
    QFont base_;
    std::array<std::optional<QFont>, 16> styled_;
};

// The paper of a page setup as Qt lays it, without margins: a standard size where it is
// one, turned to landscape when the paper is wider than high.
QPageLayout PageLayoutFromSetup(const TuniPageSetup& setup);
