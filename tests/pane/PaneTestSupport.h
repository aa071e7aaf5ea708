#pragma once

// Outline files for the pane's tests.

#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/OutlineRecord.h"

#include <string>

inline void WriteTestOutline(
    const std::string &path, const std::string &title, const std::string &category)
{
    kx_gen::COutlineDB db;
    db.InitNewDatabase();
    db.SetOutlineTitle(title);
    db.SetCategoryName(category);
    db.GetRecordset()->Append()->SetNew(true);
    db.Open(path.c_str(), kx_gen::CFile::modeCreate | kx_gen::CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
}
