#include "tests/support/Pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

Pipe::Pipe()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) == 0) {
        read = fds[0];
        write = fds[1];
    }
}

Pipe::~Pipe()
{
    CloseRead();
    CloseWrite();
}

void Pipe::CloseRead()
{
    if (read >= 0)
        ::close(read);
    read = -1;
}

void Pipe::CloseWrite()
{
    if (write >= 0)
        ::close(write);
    write = -1;
}

void Pipe::Fill() const
{
    ::fcntl(write, F_SETPIPE_SZ, 4096);
    ::fcntl(write, F_SETFL, O_NONBLOCK);
    const char junk[256] = {};
    while (::write(write, junk, sizeof junk) > 0) {
    }
    ::fcntl(write, F_SETFL, 0);
}

std::string Pipe::Take(int ms, char end) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::string text;
    char chunk[4096];
    while (std::chrono::steady_clock::now() < deadline && (end == '\0' || text.find(end) == std::string::npos)) {
        pollfd pfd{read, POLLIN, 0};
        if (::poll(&pfd, 1, 10) <= 0)
            continue;
        const ssize_t n = ::read(read, chunk, sizeof chunk);
        if (n <= 0)
            break;
        text.append(chunk, static_cast<size_t>(n));
    }
    return text;
}
