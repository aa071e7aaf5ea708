#pragma once

// The window side of an outline view in the benchmarks: no frame, no
// questions; the last message is kept and, when the host has a name, also
// printed (a message during a timed run means the run did not do its work).

#include "OutlineViewHost.h"

#include <QString>

#include <cstdio>

namespace bench {

class CBenchViewHost : public COutlineViewHost {
public:
    explicit CBenchViewHost(const char *name = nullptr)
        : m_pszName(name)
    {
    }
    bool IsFilingCabinet() const override { return false; }
    bool IsTemplate() const override { return false; }
    bool IsConflict() const override { return false; }
    bool IsJustCreated() const override { return false; }
    void SetModified(bool) override { }
    void PrepareFrame() override { }
    bool WriteRecoveryCopy(QString *) override { return false; }
    void ShowMessage(const QString &text) override
    {
        m_strLast = text;
        if (m_pszName)
            std::fprintf(stderr, "%s: %s\n", m_pszName, text.toLocal8Bit().constData());
    }
    void CloseWindow() override { }

    QString m_strLast;

private:
    const char *m_pszName;
};

} // namespace bench
