#include "FilesFixture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "acquisition/SharedState.h"
#include "files/HexDump.h"
#include "files/OutputDirectory.h"
#include "files/PlaybackState.h"
#include "files/Recording.h"

void FilesTest::SetUp()
{
    char pattern[] = "/tmp/plotwell-files-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_directory = pattern;
    ResetSharedState();
    ResetPlaybackState();
    ResetRecording();
    SetRecordDirectory(m_directory.string());
}

void FilesTest::TearDown()
{
    SetRecordDirectory("");
    std::error_code ignored;
    std::filesystem::remove_all(m_directory, ignored);
}

std::string FilesTest::WriteText(const std::string& name, const std::string& text) const
{
    const std::string path = (m_directory / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::vector<uint8_t> LoadedBytes()
{
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    return {g_PlaybackData, g_PlaybackData + g_nPlaybackSize};
}

std::string HexText(const std::vector<uint8_t>& bytes)
{
    std::string text(3 * bytes.size(), ' ');
    for (size_t i = 0; i < bytes.size(); ++i)
        EncodeHexByte(bytes[i], &text[3 * i]);
    return text;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> FilesStartingWith(const std::filesystem::path& directory, const std::string& prefix)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}
