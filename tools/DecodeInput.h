// A raw data file as the parsers' byte source, for decode and publish: a file or standard input
// read a block at a time as it arrives, a hexadecimal dump decoded on the way (a byte's digits
// may be split between two reads), so that memory stays the same for any length of input and
// every revolution can be handled as soon as it is complete. A failed read or a character that
// breaks the dump ends the input; Report then says which.
#pragma once

#include <cstdint>
#include <fstream>
#include <iosfwd>
#include <string>
#include <vector>

#include "acquisition/ByteSource.h"

class DecodeInput : public ByteSource {
public:
    // `chunk`: the most a read hands out, as a device trickles its bytes in.
    DecodeInput(std::streambuf& in, bool hex, int32_t chunk);

    // Waits for the next block when none is held; 0 once the input has ended.
    int32_t Waiting() override;
    int32_t Read(uint8_t* buffer, int32_t length) override;
    bool Ended() override;

    // How the input ended, said on `err` as "plotwell-tool <command>: <name>...": EXIT_OK (nothing
    // said) when it simply ended, EXIT_FAILED after a failed read, EXIT_USAGE after a character
    // that breaks the dump.
    int Report(const char* command, const std::string& name, std::ostream& err) const;

private:
    void Fill();
    // Characters or bytes read into `destination`: 0 at the end of the input, -1 after a failure.
    int32_t ReadBlock(char* destination, int32_t room);
    int32_t DecodeText(int32_t length);

    std::streambuf& m_in;
    const bool m_hex;
    const int32_t m_chunk;
    std::vector<char> m_text;      // hexadecimal input: characters of cells not yet complete, then a block
    int32_t m_textHeld = 0;        // characters carried over from the last block
    std::vector<uint8_t> m_data;   // decoded bytes
    int32_t m_dataStart = 0;
    int32_t m_dataEnd = 0;
    int64_t m_textOffset = 0;      // characters of the input decoded before m_text
    bool m_end = false;
    std::string m_readFailure;     // the system's reason when a read failed
    int64_t m_badOffset = -1;      // the first character that breaks the dump's pattern
    char m_badCharacter = 0;
};

// Opens the data file at `path` for a DecodeInput; false after saying
// "plotwell-tool <command>: <path>: <reason>" on `err`.
bool OpenDataInput(std::ifstream& file, const char* command, const std::string& path, std::ostream& err);
