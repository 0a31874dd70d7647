#include "tests/support/ScratchDirectory.h"

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

ScratchDirectory::ScratchDirectory()
{
    // Without its own directory every path of the test would land under / or the working
    // directory: the test fails here instead (GoogleTest reports the exception as a failure).
    std::string pattern = (fs::temp_directory_path() / "plotwell-XXXXXX").native();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::system_error(errno, std::generic_category(), "no scratch directory in " + pattern);
    m_path = pattern;
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::string ScratchDirectory::operator/(const std::string& relative) const
{
    return m_path + "/" + relative;
}

void ScratchDirectory::MakeFolder(const std::string& relative) const
{
    fs::create_directories(*this / relative);
}

void ScratchDirectory::WriteFile(const std::string& relative, const std::string& text) const
{
    fs::create_directories(fs::path(*this / relative).parent_path());
    std::ofstream(*this / relative) << text;
}

void ScratchDirectory::MakeLink(const std::string& relative, const std::string& target) const
{
    fs::create_directories(fs::path(*this / relative).parent_path());
    fs::create_symlink(target, *this / relative);
}
