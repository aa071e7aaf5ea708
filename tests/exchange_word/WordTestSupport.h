#pragma once

// A stand-in for the progress dialog's event loop: Docbridge's notifications
// are queued to the test thread, as the program queues them to its
// user-interface thread, and handled there one by one.

#include "WordProgress.h"
#include "WordStrings.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace wordtest {

class CDialogLoop {
public:
    // Texts the dialog showed, in order, and the error boxes.
    std::vector<std::string> m_texts;
    std::vector<std::string> m_errors;
    // Called after each shown text, on the loop's thread (e.g. to press Cancel).
    std::function<void(word::CWordProgressState &, const std::string &)> m_onText;

    // Runs the dialog for the state until it ends; returns its result, or
    // -1 when nothing ended it within 20 s.
    int Run(word::CWordProgressState &state)
    {
        word::CWordProgressReceiver receiver(
            [this](std::function<void()> fn) {
                std::lock_guard lock(m_mutex);
                m_queue.push_back(std::move(fn));
                m_wake.notify_all();
            },
            [this, &state](std::uintptr_t code, const std::int32_t *argument) {
                Apply(state, state.OnNotification(code, argument));
            });
        state.SetWindow(&receiver);
        Apply(state, state.OnInitDialog());
        if (state.OnActivate())
            Apply(state, state.OnStartTask());
        while (!m_nResult) {
            std::function<void()> fn;
            {
                std::unique_lock lock(m_mutex);
                if (!m_wake.wait_for(
                        lock, std::chrono::seconds(20), [this] { return !m_queue.empty(); }))
                    return -1;
                fn = std::move(m_queue.front());
                m_queue.pop_front();
            }
            fn();
        }
        return m_nResult;
    }

private:
    void Apply(word::CWordProgressState &state, const word::TProgressReaction &reaction)
    {
        if (reaction.m_bSetText) {
            m_texts.push_back(reaction.m_strText.str());
            if (m_onText)
                m_onText(state, m_texts.back());
        }
        if (reaction.m_bShowError)
            m_errors.push_back(reaction.m_strError.str());
        if (reaction.m_nEndDialog)
            m_nResult = reaction.m_nEndDialog;
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_queue;
    int m_nResult = 0;
};

} // namespace wordtest
