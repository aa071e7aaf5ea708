#include "WordProgress.h"

#include "WordExchange.h"
#include "WordStrings.h"

#include <future>

namespace word {

CWordProgressState::CWordProgressState(
    CDocbridge *bridge, int mode, TImportTask *importTask, TExportTask *exportTask)
    : m_pBridge(bridge)
    , m_nMode(mode)
    , m_pImportTask(importTask)
    , m_pExportTask(exportTask)
{
}

TProgressReaction CWordProgressState::OnInitDialog()
{
    TProgressReaction reaction;
    reaction.m_bSetText = true;
    return reaction;
}

bool CWordProgressState::OnActivate()
{
    if (m_bActivated)
        return false;
    m_bActivated = true;
    return true;
}

TProgressReaction CWordProgressState::End(int result, const char *text)
{
    TProgressReaction reaction;
    if (text) {
        reaction.m_bSetText = true;
        reaction.m_strText = text;
    }
    reaction.m_nEndDialog = result;
    m_bEnded = true;
    return reaction;
}

TProgressReaction CWordProgressState::OnStartTask()
{
    m_nStepCount = 0;
    m_strStepFormat = kStepFormat;
    int started = 0;
    if (m_nMode == kModeImport && m_pBridge && m_pImportTask) {
        m_strFirstStage = kImportFirstStage;
        m_strSecondStage = kImportSecondStage;
        started = m_pBridge->ImportWordDoc(m_pWindow, m_pImportTask);
    } else if (m_nMode == kModeExport && m_pBridge && m_pExportTask) {
        m_strFirstStage = kExportFirstStage;
        m_strSecondStage.Empty();
        started = m_pBridge->ExportWordDoc(m_pWindow, m_pExportTask);
    } else {
        return End(kIdCancel, nullptr);
    }
    if (started) {
        m_bStarted = true;
        return {};
    }
    // A refused task sends nothing; waiting for its end would never stop.
    TProgressReaction reaction = End(kIdCancel, kError);
    reaction.m_bShowError = true;
    reaction.m_strError = Windows1252FromUtf8(m_pBridge->GetLastErrorText());
    return reaction;
}

void CWordProgressState::OnCancel()
{
    if (m_pBridge && m_bStarted && !m_bEnded)
        m_pBridge->StopTask();
    m_bCancelled = true;
}

TProgressReaction CWordProgressState::OnNotification(
    std::uintptr_t code, const std::int32_t *argument)
{
    if (m_bEnded)
        return {};
    const int value = argument ? *argument : 0;
    TProgressReaction reaction;
    switch (code) {
    case kDocbridgeFinished:
        return End(m_bCancelled ? kIdCancel : kIdOk, kReady);
    case kDocbridgeFailed: {
        reaction = End(kIdCancel, kError);
        reaction.m_bShowError = true;
        const std::string text = m_pBridge ? m_pBridge->GetLastErrorText() : std::string();
        reaction.m_strError
            = text.empty() ? kx_gen::_String(kUnknownDatabaseError) : Windows1252FromUtf8(text);
        return reaction;
    }
    case kDocbridgeStepDone:
        reaction.m_bSetText = true;
        reaction.m_strText.FormatString(m_strStepFormat.c_str(), value, m_nStepCount);
        return reaction;
    case kDocbridgeFirstStage:
        reaction.m_bSetText = true;
        reaction.m_strText = m_strFirstStage;
        return reaction;
    case kDocbridgeSecondStage:
        // Only an import has a second stage to tell of.
        reaction.m_bSetText = m_nMode == kModeImport;
        reaction.m_strText = m_strSecondStage;
        return reaction;
    case kDocbridgeStepCount:
        m_nStepCount = value;
        return reaction;
    case kDocbridgeStopping:
        reaction.m_bSetText = true;
        reaction.m_strText = kStopping;
        return reaction;
    default:
        reaction.m_bSetText = true;
        reaction.m_strText = kUnknownCommand;
        return reaction;
    }
}

CWordProgressReceiver::CWordProgressReceiver(PostFn post, HandleFn handle)
    : m_post(std::move(post))
    , m_handle(std::move(handle))
{
}

void CWordProgressReceiver::SendMessage(
    std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (message != DocbridgeStateMessage())
        return;
    const auto *argument = reinterpret_cast<const std::int32_t *>(lParam);
    std::promise<void> handled;
    std::future<void> done = handled.get_future();
    m_post([this, wParam, argument, &handled] {
        try {
            m_handle(wParam, argument);
        } catch (...) {
        }
        handled.set_value();
    });
    done.wait();
}

} // namespace word
