// Shared set-up of the recording and playback tests: fresh process-wide state and a private
// record directory that is removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes `text` to a file in the temporary directory and returns its path.
    std::string WriteText(const std::string& name, const std::string& text) const;

    std::filesystem::path m_directory;
};

// The bytes playback has loaded, all of them.
std::vector<uint8_t> LoadedBytes();

// The raw data file text of `bytes`.
std::string HexText(const std::vector<uint8_t>& bytes);

std::string ReadWholeFile(const std::string& path);

// Files in `directory` whose names begin with `prefix`, sorted.
std::vector<std::string> FilesStartingWith(const std::filesystem::path& directory, const std::string& prefix);
