#pragma once

// Loads libMirrick.so from the build's library folder the way an installer
// does, with the settings store, the data folders and the home folder of
// every test kept inside its own temporary folder.

#include "mirrick/Mirrick.h"

#include "../support/PalmDesktopTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <dlfcn.h>
#include <sys/stat.h>

namespace mirricktest {

using vellacortest::CTempFolder;
using vellacortest::Exists;
using vellacortest::ReadFile;
using vellacortest::RunPalmDesktop;
using vellacortest::SCommandResult;
using vellacortest::WriteFile;

class MirrickTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("HOME", m_temp.Path().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (m_temp / "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (m_temp / "data").c_str(), 1);
        m_handle = ::dlopen(TEST_LIB_DIR "/libMirrick.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_handle, nullptr) << ::dlerror();
        registerNotifier
            = reinterpret_cast<RegisterNotifierProc>(::dlsym(m_handle, "RegisterNotifier"));
        unregisterNotifier
            = reinterpret_cast<UnregisterNotifierProc>(::dlsym(m_handle, "UnregisterNotifier"));
        registerShortCut
            = reinterpret_cast<RegisterShortCutProc>(::dlsym(m_handle, "RegisterShortCut"));
        unregisterShortCut
            = reinterpret_cast<UnregisterShortCutProc>(::dlsym(m_handle, "UnregisterShortCut"));
        ASSERT_TRUE(
            registerNotifier && unregisterNotifier && registerShortCut && unregisterShortCut);
    }
    void TearDown() override
    {
        if (m_handle)
            ::dlclose(m_handle);
    }

    CTempFolder m_temp;
    void *m_handle = nullptr;
    RegisterNotifierProc registerNotifier = nullptr;
    UnregisterNotifierProc unregisterNotifier = nullptr;
    RegisterShortCutProc registerShortCut = nullptr;
    UnregisterShortCutProc unregisterShortCut = nullptr;
};

} // namespace mirricktest
