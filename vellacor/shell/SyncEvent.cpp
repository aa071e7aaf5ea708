#include "SyncEvent.h"

#include "kx_gen/MessageWindow.h"

#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace shell {

bool SetNamedEvent(const char *name)
{
    if (!name || !*name || std::strchr(name, '/'))
        return false;
    const kx_gen::_String runtime = kx_gen::GetRuntimeFolder();
    if (runtime.IsEmpty())
        return false;
    const std::string path = runtime.str() + "/Larkwell/events/" + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct stat info { };
    bool set = false;
    if (::fstat(fd, &info) == 0 && S_ISFIFO(info.st_mode) && info.st_uid == ::getuid()) {
        const char byte = 1;
        set = ::write(fd, &byte, 1) == 1;
    }
    ::close(fd);
    return set;
}

} // namespace shell
