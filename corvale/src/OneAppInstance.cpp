#include "kx_gen/OneAppInstance.h"

namespace kx_gen {

COneAppInstance::COneAppInstance() = default;

COneAppInstance::~COneAppInstance() = default;

int COneAppInstance::InitInstance(unsigned message, AppWindow *window)
{
    m_nMessage = message;
    m_window = AppWindow();
    for (const AppWindow &candidate : EnumAppWindows())
        if (!Searcher(candidate, this))
            break;
    if (window)
        *window = m_window;
    if (m_window.IsNull())
        return 1;
    PopUpApp(m_window);
    return 0;
}

bool COneAppInstance::Searcher(const AppWindow &window, COneAppInstance *self)
{
    std::int64_t answer = 0;
    if (self->m_nMessage != 0
        && SendMessageTimeout(window, self->m_nMessage, 0, 0, kAnswerTimeoutMs, &answer)
        && answer == static_cast<std::int64_t>(self->m_nMessage)) {
        self->m_window = window;
        return false;
    }
    return true;
}

bool COneAppInstance::PopUpApp(const AppWindow &window)
{
    return BringWindowToFront(window, kAnswerTimeoutMs);
}

bool COneAppInstance::Listen(unsigned message, std::function<void()> bringToFront)
{
    StopListening();
    auto listener = std::make_unique<CMessageWindow>();
    bool ok = listener->Create(
        [message](unsigned received, std::uint64_t, std::int64_t, std::int64_t *result) {
            if (received != message)
                return false;
            *result = message;
            return true;
        },
        std::move(bringToFront));
    if (ok)
        m_listener = std::move(listener);
    return ok;
}

void COneAppInstance::StopListening()
{
    m_listener.reset();
}

} // namespace kx_gen
