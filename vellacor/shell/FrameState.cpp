#include "FrameState.h"

#include "kx_gen/AppRegistry.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>

#include <vector>

namespace shell {
namespace {

constexpr char kStateValue[] = "State";
constexpr char kPreferencesSection[] = "Preferences";
constexpr char kMaxStateValue[] = "Max State";
// Layouts beyond this are no layout of ours.
constexpr std::uint32_t kMaxBarState = 1024 * 1024;

} // namespace

bool SaveBarState(const QMainWindow &window, kx_gen::CAppRegistry &settings, const char *name)
{
    const QByteArray state = window.saveState();
    if (!settings.OpenSection(name))
        return false;
    const bool written
        = settings.WriteBinary(kStateValue, state.constData(), std::uint32_t(state.size()));
    settings.CloseSection();
    return written;
}

bool RestoreBarState(QMainWindow &window, kx_gen::CAppRegistry &settings, const char *name)
{
    if (!settings.OpenSection(name))
        return false;
    std::uint32_t size = 0;
    std::vector<char> bytes;
    bool read = settings.getBinaryDataSize(kStateValue, size) && size > 0 && size <= kMaxBarState;
    if (read) {
        bytes.resize(size);
        read = settings.ReadBinary(kStateValue, bytes.data(), size);
    }
    settings.CloseSection();
    return read && window.restoreState(QByteArray(bytes.data(), qsizetype(bytes.size())));
}

bool ReadMaxState(kx_gen::CAppRegistry &settings)
{
    std::int32_t value = 0;
    if (settings.OpenSection(kPreferencesSection)) {
        if (!settings.ReadInt(kMaxStateValue, value))
            value = 0;
        settings.CloseSection();
    }
    return value != 0;
}

void WriteMaxState(kx_gen::CAppRegistry &settings, bool maximized)
{
    if (!settings.OpenSection(kPreferencesSection))
        return;
    settings.WriteInt(kMaxStateValue, maximized ? 1 : 0);
    settings.CloseSection();
}

QString DroppedOutline(const QList<QUrl> &urls)
{
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return {};
    const QString path = urls.first().toLocalFile();
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(QLatin1String("kxo"), Qt::CaseInsensitive) == 0
        || suffix.compare(QLatin1String("kxt"), Qt::CaseInsensitive) == 0)
        return path;
    return {};
}

QString ManualPath()
{
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral("../share/doc/vellacor/manual.html"));
}

bool OpenManual()
{
    const QString path = QDir::cleanPath(ManualPath());
    return QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace shell
