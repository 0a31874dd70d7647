#include "tools/DecodeInput.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ios>
#include <ostream>
#include <streambuf>

#include "files/HexDump.h"
#include "tools/ToolArguments.h"

namespace {
constexpr int32_t BLOCK = 1 << 16;
constexpr int32_t CELL = 3;  // two digits and a space

std::string Describe(char c)
{
    char text[16];
    if (c >= 0x21 && c <= 0x7E)
        std::snprintf(text, sizeof text, "'%c'", c);
    else
        std::snprintf(text, sizeof text, "byte 0x%02X", static_cast<unsigned char>(c));
    return text;
}
}  // namespace

DecodeInput::DecodeInput(std::streambuf& in, bool hex, int32_t chunk)
    : m_in(in),
      m_hex(hex),
      m_chunk(std::max(chunk, 1)),
      m_text(hex ? BLOCK + CELL : 0),
      m_data(BLOCK)
{
}

int32_t DecodeInput::Waiting()
{
    Fill();
    return std::min(m_dataEnd - m_dataStart, m_chunk);
}

int32_t DecodeInput::Read(uint8_t* buffer, int32_t length)
{
    const int32_t count = std::min(Waiting(), std::max(length, 0));
    std::memcpy(buffer, m_data.data() + m_dataStart, static_cast<size_t>(count));
    m_dataStart += count;
    return count;
}

bool DecodeInput::Ended()
{
    return m_end && m_dataStart == m_dataEnd;
}

// Reads until bytes are held or the input has ended: a block of one or two characters holds no
// whole byte yet.
void DecodeInput::Fill()
{
    while (m_dataStart == m_dataEnd && !m_end) {
        char* destination = m_hex ? m_text.data() + m_textHeld : reinterpret_cast<char*>(m_data.data());
        const int32_t read = ReadBlock(destination, BLOCK);
        if (read <= 0) {
            m_end = true;  // characters of an incomplete last cell are ignored, as playback does
            break;
        }
        m_dataStart = 0;
        m_dataEnd = m_hex ? DecodeText(m_textHeld + read) : read;
    }
}

int32_t DecodeInput::ReadBlock(char* destination, int32_t room)
{
    // A file stream reports a failed read by throwing (a directory, a closed descriptor, an
    // unreadable file); it must not end the program.
    try {
        if (m_in.sgetc() == std::char_traits<char>::eof())
            return 0;
        // What already arrived, without waiting for more: a pipe from a live source is decoded as
        // it comes.
        const std::streamsize waiting = std::max<std::streamsize>(m_in.in_avail(), 1);
        return static_cast<int32_t>(m_in.sgetn(destination, std::min<std::streamsize>(waiting, room)));
    } catch (const std::ios_base::failure& failure) {
        m_readFailure = failure.code().message();
    } catch (const std::exception& failure) {
        m_readFailure = failure.what();
    }
    return -1;
}

// Decodes the whole cells of the `length` characters held, and keeps the rest for the next block.
int32_t DecodeInput::DecodeText(int32_t length)
{
    const int32_t cells = length / CELL;
    int64_t bad = -1;
    const int64_t decoded = DecodeHexDump(m_text.data(), int64_t{cells} * CELL, m_data.data(), &bad);
    if (decoded < 0) {
        m_badOffset = m_textOffset + bad;
        m_badCharacter = m_text[static_cast<size_t>(bad)];
        m_end = true;
        return static_cast<int32_t>(bad / CELL);  // the bytes before the broken cell
    }
    m_textHeld = length - cells * CELL;
    std::memmove(m_text.data(), m_text.data() + cells * CELL, static_cast<size_t>(m_textHeld));
    m_textOffset += int64_t{cells} * CELL;
    return cells;
}

int DecodeInput::Report(const char* command, const std::string& name, std::ostream& err) const
{
    if (!m_readFailure.empty()) {
        err << "plotwell-tool " << command << ": " << name << ": " << m_readFailure << "\n";
        return EXIT_FAILED;
    }
    if (m_badOffset < 0)
        return EXIT_OK;
    err << "plotwell-tool " << command << ": " << name << " is not a raw data file: character " << m_badOffset + 1
        << " is " << Describe(m_badCharacter) << ", where " << (m_badOffset % CELL == 2 ? "a space" : "a hexadecimal digit")
        << " belongs (every byte is two hexadecimal digits and a space)\n";
    return EXIT_USAGE;
}

bool OpenDataInput(std::ifstream& file, const char* command, const std::string& path, std::ostream& err)
{
    errno = 0;
    file.open(path, std::ios::binary);
    if (file)
        return true;
    err << "plotwell-tool " << command << ": " << path << ": " << std::strerror(errno != 0 ? errno : EIO) << "\n";
    return false;
}
