#include "FileInfo.h"

#include "CabinetNames.h"
#include "CabinetText.h"

#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/FileFind.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/PathUtils.h"

using kx_gen::_String;

void CFileInfo::ReadFileFacts(const kx_gen::CFileFind &find)
{
    using kx_gen::CFile;
    m_strPath = find.GetFilePath();
    int attributes = 0;
    for (unsigned bit :
        { CFile::readOnly, CFile::hidden, CFile::system, CFile::directory, CFile::archive })
        if (find.MatchesMask(bit))
            attributes |= static_cast<int>(bit);
    m_nAttributes = attributes;
    m_nSize = find.GetLength();
    find.GetCreationTime(m_CreationTime);
    find.GetLastAccessTime(m_LastAccessTime);
    find.GetLastWriteTime(m_LastWriteTime);
}

bool CFileInfo::ReadFileFacts(const _String &path)
{
    kx_gen::CFileStatus status;
    if (!kx_gen::CFile::GetStatus(path, status))
        return false;
    m_strPath = path;
    m_nAttributes = status.m_attribute;
    m_nSize = status.m_size;
    m_CreationTime = status.m_ctime;
    m_LastAccessTime = status.m_atime;
    m_LastWriteTime = status.m_mtime;
    return true;
}

bool CTreeData::ReadOutline()
{
    try {
        kx_gen::COutlineDB db;
        db.OpenWithoutUpgrade(
            m_strPath, kx_gen::CFile::modeRead | kx_gen::CFile::shareDenyNone, nullptr);
        db.ReadSharedHeader();
        db.ReadPrivateHeader();
        _String category = db.GetCategoryName();
        _String title = db.GetOutlineTitle();
        db.Close();
        m_strCategory = category;
        m_strTitle = title;
        return true;
    } catch (kx_gen::CException *e) {
        kx_gen::ExceptionHolder holder(e);
    } catch (...) {
    }
    return false;
}

bool CTreeData::IsTemplate() const
{
    _String ext = kx_gen::GetFileExt(m_strPath);
    return ext.size() > 1 && cabinet::EqualNoCase(ext.c_str() + 1, cabinet::kTemplateExtension);
}
