// corvale: a command-line window onto outline files, templates and category
// tables.

#include "Commands.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/Exception.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char kUsage[]
    = "usage: corvale <command> FILE [options]\n"
      "\n"
      "commands:\n"
      "  info FILE      kind, version, rows, title, category, flags, items, deleted ids\n"
      "  dump FILE [--json]\n"
      "                 everything in the file: db info, header table, header and record tags\n"
      "  check FILE     read everything (headers, rows, strings, drawings); say \"ok\" or what "
      "is wrong\n"
      "  cat FILE       the outline as indented text\n"
      "  new FILE [--title T] [--category C] [--empty]\n"
      "                 write a new outline (a template for .kxt); --empty: without items\n"
      "\n"
      "Only new writes; the other commands never change a file.\n"
      "Exit status: 0 success, 1 the file is refused or damaged, 2 wrong usage.\n";

int usage(const char *problem)
{
    if (problem)
        std::cerr << "corvale: " << problem << "\n";
    std::cerr << kUsage;
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    using namespace corvale_tool;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return usage(nullptr);
    const std::string command = args[0];
    if (command == "help" || command == "--help" || command == "-h") {
        std::cout << kUsage;
        return 0;
    }

    // The name the program gives the unfiled category: new outlines carry it.
    kx_gen::CCategoryDB::setUnfiledCategoryName("Unfiled");

    std::string path;
    bool json = false;
    NewOptions options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--json" && command == "dump") {
            json = true;
        } else if (a == "--empty" && command == "new") {
            options.empty = true;
        } else if ((a == "--title" || a == "--category") && command == "new") {
            if (i + 1 >= args.size())
                return usage((a + " needs a value").c_str());
            if (a == "--title") {
                options.title = args[++i];
                options.hasTitle = true;
            } else {
                options.category = args[++i];
                options.hasCategory = true;
            }
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            return usage(("unknown option " + a).c_str());
        } else if (path.empty()) {
            path = a;
        } else {
            return usage("one file at a time");
        }
    }
    if (path.empty())
        return usage("no file given");

    try {
        if (command == "info")
            return RunInfo(path, std::cout, std::cerr);
        if (command == "dump")
            return RunDump(path, json, std::cout, std::cerr);
        if (command == "check")
            return RunCheck(path, std::cout, std::cerr);
        if (command == "cat")
            return RunCat(path, std::cout, std::cerr);
        if (command == "new")
            return RunNew(path, options, std::cout, std::cerr);
    } catch (kx_gen::CException *e) {
        kx_gen::ExceptionHolder holder(e);
        std::cerr << "corvale: " << path << ": " << e->GetDescription().str() << "\n";
        return 1;
    } catch (const std::bad_alloc &) {
        std::cerr << "corvale: " << path << ": "
                  << kx_gen::LoadLibraryString(kx_gen::kMsgOutOfMemory).str() << "\n";
        return 1;
    }
    return usage(("unknown command " + command).c_str());
}
