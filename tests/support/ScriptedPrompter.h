#pragma once

// A prompter that records what it was told and asked, and answers from a
// script.

#include "CabinetHost.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

class CScriptedPrompter : public CCabinetPrompter {
public:
    void ShowMessage(const kx_gen::_String &text) override { m_Messages.push_back(text.str()); }
    bool AskYesNo(const kx_gen::_String &question) override;
    bool AskText(const kx_gen::_String &caption, kx_gen::_String &text) override;
    bool AskDelete(const kx_gen::_String &message, bool &archive) override;
    Answer AskYesNoCancel(const kx_gen::_String &question) override;
    bool AskOkCancel(const kx_gen::_String &question) override;
    int AskTemplateRoot() override { return m_nTemplateRoot; }

    std::vector<std::string> m_Messages;
    std::vector<std::string> m_Questions;
    std::deque<bool> m_YesNo; // Yes when empty
    std::deque<Answer> m_YesNoCancel; // Yes when empty
    std::deque<bool> m_OkCancel; // OK when empty
    std::deque<std::optional<std::string>> m_Texts; // Cancel when empty
    int m_nTemplateRoot = 0;
};

inline bool CScriptedPrompter::AskYesNo(const kx_gen::_String &question)
{
    m_Questions.push_back(question.str());
    if (m_YesNo.empty())
        return true;
    const bool answer = m_YesNo.front();
    m_YesNo.pop_front();
    return answer;
}

inline bool CScriptedPrompter::AskText(const kx_gen::_String &, kx_gen::_String &text)
{
    if (m_Texts.empty())
        return false;
    const std::optional<std::string> answer = m_Texts.front();
    m_Texts.pop_front();
    if (!answer)
        return false;
    text = *answer;
    return true;
}

inline bool CScriptedPrompter::AskDelete(const kx_gen::_String &message, bool &)
{
    m_Questions.push_back(message.str());
    return true;
}

inline CCabinetPrompter::Answer CScriptedPrompter::AskYesNoCancel(const kx_gen::_String &question)
{
    m_Questions.push_back(question.str());
    if (m_YesNoCancel.empty())
        return kYes;
    const Answer answer = m_YesNoCancel.front();
    m_YesNoCancel.pop_front();
    return answer;
}

inline bool CScriptedPrompter::AskOkCancel(const kx_gen::_String &question)
{
    m_Questions.push_back(question.str());
    if (m_OkCancel.empty())
        return true;
    const bool answer = m_OkCancel.front();
    m_OkCancel.pop_front();
    return answer;
}
