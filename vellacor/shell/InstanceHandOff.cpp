#include "InstanceHandOff.h"

#include "CommandLineBlock.h"
#include "QtStrings.h"
#include "ShellNames.h"

#include "kx_gen/MessageWindow.h"
#include "kx_gen/OneAppInstance.h"

#include <QMetaObject>

namespace shell {

bool HandOffToRunningInstance(const std::string &commandLine)
{
    const unsigned areYouMe = kx_gen::RegisterWindowMessage(kAreYouMeMessage);
    kx_gen::COneAppInstance search;
    kx_gen::AppWindow window;
    if (search.InitInstance(areYouMe, &window) != 0 || window.IsNull())
        return false;
    if (!commandLine.empty()) {
        const std::int64_t size = WriteCommandLineBlock(commandLine);
        if (size > 0)
            kx_gen::SendMessageTimeout(window, kx_gen::RegisterWindowMessage(kCommandLineMessage),
                0, size, kHandOffTimeoutMs, nullptr);
    }
    return true;
}

} // namespace shell

CInstanceListener::CInstanceListener(QObject *parent)
    : QObject(parent)
{
}

CInstanceListener::~CInstanceListener()
{
    Stop();
}

bool CInstanceListener::Start()
{
    if (m_pWindow)
        return true;
    const unsigned areYouMe = kx_gen::RegisterWindowMessage(shell::kAreYouMeMessage);
    const unsigned appQuest = kx_gen::RegisterWindowMessage(shell::kAppQuestMessage);
    const unsigned commandLine = kx_gen::RegisterWindowMessage(shell::kCommandLineMessage);
    const unsigned hotSync = kx_gen::RegisterWindowMessage(shell::kHotSyncNotifyMessage);
    auto window = std::make_unique<kx_gen::CMessageWindow>();
    const bool created = window->Create(
        [this, areYouMe, appQuest, commandLine, hotSync](
            unsigned message, std::uint64_t wParam, std::int64_t lParam, std::int64_t *result) {
            if (message == areYouMe || message == appQuest) {
                *result = message;
                return true;
            }
            if (message == hotSync) {
                // Answered at once; the work follows on the interface thread
                // and ends with the event that the notifier waits for.
                QMetaObject::invokeMethod(
                    this,
                    [this, wParam, lParam] {
                        emit hotSyncNotified(static_cast<quint64>(wParam),
                            static_cast<qint64>(lParam));
                    },
                    Qt::QueuedConnection);
                *result = message;
                return true;
            }
            if (message != commandLine)
                return false;
            // The block is read now, while the other process waits, and
            // checked before anything of it is used.
            std::string text;
            if (!shell::ReadCommandLineBlock(lParam, text)) {
                *result = 0;
                return true;
            }
            const QString path = PathToQString(kx_gen::_String(text.c_str()));
            QMetaObject::invokeMethod(
                this,
                [this, path] {
                    if (path.isEmpty())
                        emit newDocumentRequested();
                    else
                        emit openRequested(path);
                },
                Qt::QueuedConnection);
            *result = 1;
            return true;
        },
        [this] {
            QMetaObject::invokeMethod(
                this, [this] { emit activationRequested(); }, Qt::QueuedConnection);
        });
    if (!created)
        return false;
    m_pWindow = std::move(window);
    return true;
}

void CInstanceListener::Stop()
{
    if (m_pWindow)
        m_pWindow->Destroy();
    m_pWindow.reset();
}
