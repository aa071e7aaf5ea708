#include "PrinterSettings.h"

#include "QtStrings.h"

#include "kx_gen/AppRegistry.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace {

constexpr const char kSection[] = "PageSetup";

constexpr int ClampMargin(int twips)
{
    // Up to 22 inches: no paper is larger, and the product below stays far
    // from overflowing.
    return twips < 0 ? 0 : (twips > 31680 ? 31680 : twips);
}

} // namespace

void CAppPrinterSettings::Load(kx_gen::CAppRegistry &settings)
{
    CAppPrinterSettings loaded;
    std::int32_t values[8] = {};
    const char *const names[8] = { "LeftMargin", "TopMargin", "RightMargin", "BottomMargin",
        "Page Orientation", "Page Paper Size", "Page Paper Length", "Page Paper Width" };
    bool complete = settings.OpenSection(kSection);
    for (int i = 0; complete && i < 8; ++i)
        complete = settings.ReadInt(names[i], values[i]);
    complete = complete && settings.ReadString("Printer Driver Name", loaded.m_strDriver)
        && settings.ReadString("Printer Device Name", loaded.m_strDevice)
        && settings.ReadString("Printer Port Name", loaded.m_strPort);
    settings.CloseSection();
    if (!complete) {
        *this = CAppPrinterSettings();
        return;
    }
    loaded.m_nLeftMargin = ClampMargin(values[0]);
    loaded.m_nTopMargin = ClampMargin(values[1]);
    loaded.m_nRightMargin = ClampMargin(values[2]);
    loaded.m_nBottomMargin = ClampMargin(values[3]);
    loaded.m_nOrientation = static_cast<std::int16_t>(values[4]);
    loaded.m_nPaperSize = static_cast<std::int16_t>(values[5]);
    loaded.m_nPaperLength = static_cast<std::int16_t>(values[6]);
    loaded.m_nPaperWidth = static_cast<std::int16_t>(values[7]);
    *this = loaded;
}

void CAppPrinterSettings::Save(kx_gen::CAppRegistry &settings) const
{
    if (!settings.OpenSection(kSection))
        return;
    settings.WriteInt("LeftMargin", m_nLeftMargin);
    settings.WriteInt("TopMargin", m_nTopMargin);
    settings.WriteInt("RightMargin", m_nRightMargin);
    settings.WriteInt("BottomMargin", m_nBottomMargin);
    settings.WriteString("Printer Driver Name", m_strDriver.c_str());
    settings.WriteString("Printer Device Name", m_strDevice.c_str());
    settings.WriteString("Printer Port Name", m_strPort.c_str());
    settings.WriteInt("Page Orientation", static_cast<std::int16_t>(m_nOrientation));
    settings.WriteInt("Page Paper Size", static_cast<std::int16_t>(m_nPaperSize));
    const bool user = m_nPaperSize == kUserPaper;
    settings.WriteInt("Page Paper Length", user ? static_cast<std::int16_t>(m_nPaperLength) : 0);
    settings.WriteInt("Page Paper Width", user ? static_cast<std::int16_t>(m_nPaperWidth) : 0);
    settings.CloseSection();
}

void CAppPrinterSettings::ApplyTo(QPrinter &printer) const
{
    if (!m_strDevice.IsEmpty() && printer.outputFormat() == QPrinter::NativeFormat) {
        const QString name = ToQString(m_strDevice);
        if (QPrinterInfo::printerInfo(name).printerName() == name)
            printer.setPrinterName(name);
    }
    if (m_nPaperSize == kUserPaper && m_nPaperLength > 0 && m_nPaperWidth > 0) {
        printer.setPageSize(
            QPageSize(QSizeF(m_nPaperWidth / 10.0, m_nPaperLength / 10.0), QPageSize::Millimeter));
    } else if (m_nPaperSize > 0) {
        const QPageSize::PageSizeId id = QPageSize::id(m_nPaperSize);
        if (id != QPageSize::Custom)
            printer.setPageSize(QPageSize(id));
    }
    if (m_nOrientation == kPortrait || m_nOrientation == kLandscape)
        printer.setPageOrientation(
            m_nOrientation == kLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void CAppPrinterSettings::ApplyMarginsTo(QPrinter &printer) const
{
    const QMarginsF inches(m_nLeftMargin / 1440.0, m_nTopMargin / 1440.0, m_nRightMargin / 1440.0,
        m_nBottomMargin / 1440.0);
    printer.setPageMargins(inches, QPageLayout::Inch);
}

void CAppPrinterSettings::TakeFrom(const QPrinter &printer)
{
    const QPageLayout layout = printer.pageLayout();
    const QMarginsF inches = layout.margins(QPageLayout::Inch);
    m_nLeftMargin = ClampMargin(static_cast<int>(inches.left() * 1440.0 + 0.5));
    m_nTopMargin = ClampMargin(static_cast<int>(inches.top() * 1440.0 + 0.5));
    m_nRightMargin = ClampMargin(static_cast<int>(inches.right() * 1440.0 + 0.5));
    m_nBottomMargin = ClampMargin(static_cast<int>(inches.bottom() * 1440.0 + 0.5));
    m_nOrientation = layout.orientation() == QPageLayout::Landscape ? kLandscape : kPortrait;
    const int windowsId = layout.pageSize().windowsId();
    if (layout.pageSize().id() == QPageSize::Custom || windowsId <= 0) {
        const QSizeF mm = layout.pageSize().size(QPageSize::Millimeter);
        m_nPaperSize = kUserPaper;
        m_nPaperWidth = static_cast<int>(mm.width() * 10.0 + 0.5);
        m_nPaperLength = static_cast<int>(mm.height() * 10.0 + 0.5);
    } else {
        m_nPaperSize = windowsId;
        m_nPaperWidth = 0;
        m_nPaperLength = 0;
    }
    if (printer.outputFormat() == QPrinter::NativeFormat) {
        m_strDevice = ToKxString(printer.printerName());
        m_strDriver = m_strDevice;
        m_strPort = kx_gen::_String();
    }
}
