// A temporary directory tree for one test (fake sysfs, /proc, lock directories), removed at the end.
#pragma once

#include <string>

class ScratchDirectory {
public:
    // Throws when the directory cannot be made, which fails the test at once.
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& Path() const { return m_path; }
    // Path() + "/" + relative.
    std::string operator/(const std::string& relative) const;

    // Each creates the missing parent folders of `relative` first.
    void MakeFolder(const std::string& relative) const;
    void WriteFile(const std::string& relative, const std::string& text) const;
    void MakeLink(const std::string& relative, const std::string& target) const;

private:
    std::string m_path;
};
