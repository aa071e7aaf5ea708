#pragma once

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <time.h>

// Waits until the clock that file times come from has moved past the last
// change of `path`: a rewrite within the same tick may leave the times as
// they were, which nothing can tell from no rewrite.
inline void WaitForTheFileClock(const std::string &path)
{
    struct stat st { };
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    for (;;) {
        timespec now {};
        clock_gettime(CLOCK_REALTIME_COARSE, &now);
        if (now.tv_sec > st.st_ctim.tv_sec
            || (now.tv_sec == st.st_ctim.tv_sec && now.tv_nsec > st.st_ctim.tv_nsec))
            return;
    }
}
