#pragma once

// Reading any of the library's files for the command, without ever writing
// to it.

#include "kx_gen/Database.h"
#include "kx_gen/MemOutlDB.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/TaggedDataManager.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvale_tool {

enum class FileKind { outline, outlineTemplate, categories, memoryOutline };

// "outline", "template", "categories", "memory-outline".
const char *KindName(FileKind kind);

// The kind of the file at `path`: version 10 is a memory outline; a ".kxo"
// file is an outline, a ".kxt" file a template and a ".dat" file a category
// table; other files are category tables at version 1 and outlines
// otherwise. A file too short for a db info, or without the check code, is
// taken by its name, so that opening it gives the library's own refusal.
FileKind DetectKind(const std::string &path);

// A file read completely into memory and closed again.
struct OpenedFile {
    FileKind kind = FileKind::outline;
    std::unique_ptr<kx_gen::CDatabase> db;
    // The program would enlarge the file's headers in place when opening it.
    bool wouldUpgrade = false;
    // Ids of the headers read into their objects, in table order.
    std::vector<std::uint16_t> headersRead;

    kx_gen::COutlineDB *outline() const;
    kx_gen::CMemOutlDB *memoryOutline() const;
    bool isOutline() const
    {
        return kind == FileKind::outline || kind == FileKind::outlineTemplate;
    }
};

// Opens the file read-only (others may read it too), reads the db info, the
// header table, every header this library knows and every record, and closes
// it. Headers smaller than today's defaults are read as they are. Throws the
// library's exceptions.
OpenedFile LoadFile(const std::string &path);

// One tag of a block and its data in place.
struct TagEntry {
    kx_gen::CTaggedDataManager::TagType header;
    const std::uint8_t *data = nullptr;
};

// Every tag of a block in order. A corrupt block throws the library's
// exception (message 15). `trailing` (may be null) receives the bytes at the
// end too few for a tag header, which readers skip.
std::vector<TagEntry> ListTags(
    const kx_gen::CTaggedDataManager &tags, std::uint32_t *trailing = nullptr);

// Opens a category table as LoadFile does (db info and header table read).
std::unique_ptr<kx_gen::CDatabase> OpenCategoryFile(const char *path, unsigned mode);

} // namespace corvale_tool
