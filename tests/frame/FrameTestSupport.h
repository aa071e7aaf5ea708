#pragma once

// A desktop-only run in a temporary folder for the window tests: settings
// store, users, documents and a scripted prompter.

#include "../support/ScriptedPrompter.h"
#include "AppContext.h"

#include "kx_gen/AppRegistry.h"
#include "kx_gen/CategoryDB.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

struct CFrameTestRun {
    CFrameTestRun()
    {
        ::setenv("XDG_CONFIG_HOME",
            QDir(m_dir.path()).filePath(QStringLiteral("config")).toLocal8Bit().constData(), 1);
        kx_gen::CCategoryDB::setUnfiledCategoryName("Unfiled");
        m_settings = std::make_unique<kx_gen::CAppRegistry>("Larkwell", "Idealoom");
        m_settings->OpenSection("Preferences");
        m_settings->WriteString("Path", Desktop().c_str());
        m_settings->CloseSection();
        m_context = std::make_unique<CAppContext>(m_prompter, *m_settings);
        m_bStarted = m_context->Start(nullptr);
    }
    ~CFrameTestRun() { m_context.reset(); }

    std::string Desktop() const
    {
        return QDir(m_dir.path()).filePath(QStringLiteral("Desktop")).toStdString();
    }

    QTemporaryDir m_dir;
    CScriptedPrompter m_prompter;
    std::unique_ptr<kx_gen::CAppRegistry> m_settings;
    std::unique_ptr<CAppContext> m_context;
    bool m_bStarted = false;
};
