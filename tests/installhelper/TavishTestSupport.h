#pragma once

// Loads libTavish.so from the build's library folder the way an installer
// does, with the settings store and the run-time folder of every test kept
// inside its own temporary folder.

#include "tavish/Tavish.h"

#include "../support/PalmDesktopTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <dlfcn.h>
#include <sys/stat.h>

namespace tavishtest {

using vellacortest::CTempFolder;
using vellacortest::Exists;
using vellacortest::ReadFile;
using vellacortest::RunPalmDesktop;
using vellacortest::SCommandResult;
using vellacortest::WriteFile;

inline void MakeFolder(const std::string &path)
{
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path;
}

class TavishTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("XDG_CONFIG_HOME", (m_temp / "config").c_str(), 1);
        // No program of another test run may answer here.
        MakeFolder(m_temp / "runtime");
        ::chmod((m_temp / "runtime").c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", (m_temp / "runtime").c_str(), 1);

        m_handle = ::dlopen(TEST_LIB_DIR "/libTavish.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_handle, nullptr) << ::dlerror();
        isRunning = reinterpret_cast<KXIsRunningProc>(::dlsym(m_handle, "KXIsRunning"));
        instPdb = reinterpret_cast<InstPDBProc>(::dlsym(m_handle, "InstPDB"));
        copyFiles = reinterpret_cast<cpFilesProc>(::dlsym(m_handle, "cpFiles"));
        ASSERT_TRUE(isRunning && instPdb && copyFiles);
    }
    void TearDown() override
    {
        if (m_handle)
            ::dlclose(m_handle);
    }

    CTempFolder m_temp;
    void *m_handle = nullptr;
    KXIsRunningProc isRunning = nullptr;
    InstPDBProc instPdb = nullptr;
    cpFilesProc copyFiles = nullptr;
};

} // namespace tavishtest
