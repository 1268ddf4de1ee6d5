#include "engine/FtpDataFile.h"

#include "engine/FileWrites.h"
#include "engine/FtpControlChannel.h"
#include "engine/TlsLayer.h"

#include <Poco/Exception.h>
#include <Poco/Net/NetException.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <climits>
#include <thread>
#include <utility>

namespace {

// Poco's calls take an int length.
constexpr std::size_t maxChunk = INT_MAX;

// The engine's own copies go through a piece this size: a multiple of the
// page, well inside the core's cache.
constexpr std::size_t pieceSize = 64 * 1024;
constexpr std::chrono::milliseconds endTlsBound{2000};
// A ticket follows a data connection's handshake by a round trip; an upload
// over so soon that it has not come yet waits this long for it at the end.
constexpr std::chrono::milliseconds ticketWait{500};

// The server has sent its FIN: from then on nothing more arrives.
bool PeerClosed(int fd)
{
    tcp_info info{};
    socklen_t size = sizeof info;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0)
        return true;
    switch (info.tcpi_state) {
    case TCP_CLOSE_WAIT:
    case TCP_LAST_ACK:
    case TCP_CLOSING:
    case TCP_TIME_WAIT:
    case TCP_CLOSE: return true;
    default: return false;
    }
}

void DropWaitingBytes(int fd)
{
    char scratch[4096];
    while (::recv(fd, scratch, sizeof scratch, MSG_DONTWAIT) > 0) {
    }
}

}  // namespace

FtpDataFile::FtpDataFile(FtpTransferEnd end, Poco::Net::StreamSocket data, TlsLayer* tls, std::uint64_t offset)
    : end(end), data(std::move(data)), tls(tls), delivered(offset > 0)
{
    this->data.setReceiveTimeout(ToTimespan(end.DataIdle()));
    this->data.setSendTimeout(ToTimespan(end.DataIdle()));
}

FtpDataFile::~FtpDataFile()
{
    Close();
}

EngineResult FtpDataFile::Outcome(long count, std::size_t& bytes) const
{
    bytes = count > 0 ? static_cast<std::size_t>(count) : 0;
    return count < 0 ? failure : EngineResult{};
}

EngineResult FtpDataFile::Read(void* buffer, std::size_t size, std::size_t& received)
{
    return Outcome(ReadBytes(buffer, size), received);
}

EngineResult FtpDataFile::ReceiveInto(int fd, std::size_t size, std::size_t& moved)
{
    return Outcome(ReceiveBytesInto(fd, size), moved);
}

EngineResult FtpDataFile::SendFrom(int fd, std::size_t size, std::size_t& sent)
{
    return Outcome(SendBytesFrom(fd, size), sent);
}

EngineResult FtpDataFile::Write(const void* buffer, std::size_t size)
{
    return WriteBytes(buffer, size) ? EngineResult{} : failure;
}

long FtpDataFile::ReadBytes(void* buffer, std::size_t size)
{
    if (!CanReceive())
        return -1;
    // As the Internet library's read does, fill the buffer unless the file
    // ends first: a socket hands over a few kilobytes at a time, and the copy
    // loop's chunks (one write and one progress report each) must keep the
    // size it chose.
    char* bytes = static_cast<char*>(buffer);
    std::size_t filled = 0;
    while (filled < size) {
        const int n = ReceiveSome(bytes + filled, size - filled);
        if (n <= 0)
            break;
        filled += static_cast<std::size_t>(n);
        received += static_cast<std::uint64_t>(n);
        if (pace && !pace->Keeps(received, TransferPace::Clock::now())) {
            pendingError = ERROR_FTP_TOO_SLOW;
            break;
        }
    }
    return Received(filled);
}

bool FtpDataFile::CanReceive()
{
    if (!open)
        return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    return pendingError == 0 || FailTransfer(pendingError);
}

long FtpDataFile::Received(std::size_t filled)
{
    // A shut-down socket reads as the end of the file; after Abort it is not one.
    if (aborted) {
        Fail(ERROR_INTERNET_CONNECTION_ABORTED);
        return -1;
    }
    // The bytes that arrived before a failure are still the file's: they go
    // out now and the failure with the next read.
    if (pendingError != 0 && filled == 0) {
        FailTransfer(pendingError);
        return -1;
    }
    return static_cast<long>(filled);
}

// splice() moves the socket's pages into the pipe and the pipe's into the
// page cache, so a binary download is copied once instead of twice (into
// our buffer, then out of it); on loopback that is most of the cost. TLS
// records must be decrypted here first, so they take the piece instead.
long FtpDataFile::ReceiveBytesInto(int fd, std::size_t size)
{
    if (!CanReceive())
        return -1;
    if (Encrypted())
        return DecryptInto(fd, size);
    if (!OpenPipe())
        return -1;
    const int socket = data.impl()->sockfd();
    std::size_t moved = 0;
    while (moved < size) {
        // The pipe is empty here, so the call waits only for the socket, and
        // the receive timeout applies to splice as to recv.
        const ssize_t n = splice(socket, nullptr, pipeEnds[1], nullptr, std::min(size - moved, pipeCapacity),
                                 SPLICE_F_MOVE);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            pendingError = errno == EAGAIN ? ERROR_INTERNET_TIMEOUT : ERROR_INTERNET_CONNECTION_RESET;
        if (n <= 0)
            break;
        if (aborted)
            break;  // what came is no longer wanted
        if (!Deliver(fd, static_cast<std::size_t>(n)))
            return FailLocally();
        moved += static_cast<std::size_t>(n);
    }
    return Received(moved);
}

long FtpDataFile::DecryptInto(int fd, std::size_t size)
{
    MakePiece();
    std::size_t moved = 0;
    while (moved < size) {
        const int n = ReceiveSome(piece.data(), std::min(piece.size(), size - moved));
        if (n <= 0 || aborted)
            break;
        int error = EmptyOnce(fd, delivered);
        if (error == 0)
            error = WriteAll(fd, piece.data(), static_cast<std::size_t>(n));
        if (error != 0) {
            Fail(error, FailedSide::LocalFile);
            return FailLocally();
        }
        moved += static_cast<std::size_t>(n);
    }
    return Received(moved);
}

// Bytes taken from the connection did not all reach the file: no later call
// may go on as if the file were whole.
long FtpDataFile::FailLocally()
{
    pendingError = ERROR_INTERNET_INCORRECT_HANDLE_STATE;
    failure.side = FailedSide::LocalFile;
    return -1;
}

bool FtpDataFile::Fail(int code, FailedSide side)
{
    failure = EngineResult::Failure(code, {}, side);
    return false;
}

void FtpDataFile::MakePiece()
{
    if (piece.empty())
        piece.resize(pieceSize);
}

bool FtpDataFile::Deliver(int fd, std::size_t bytes)
{
    if (const int error = EmptyOnce(fd, delivered))
        return Fail(error, FailedSide::LocalFile);
    while (bytes > 0) {
        const ssize_t n = splice(pipeEnds[0], nullptr, fd, nullptr, bytes, SPLICE_F_MOVE);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(n < 0 ? errno : EIO, FailedSide::LocalFile);
        bytes -= static_cast<std::size_t>(n);
    }
    return true;
}

bool FtpDataFile::OpenPipe()
{
    if (pipeEnds[0] >= 0)
        return true;
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return Fail(errno, FailedSide::LocalFile);
    // 1 MiB is the default limit for a user's pipe; when the system allows
    // less, the pipe's own size is the most one call takes.
    fcntl(pipeEnds[1], F_SETPIPE_SZ, 1 << 20);
    const int capacity = fcntl(pipeEnds[1], F_GETPIPE_SZ);
    pipeCapacity = capacity > 0 ? static_cast<std::size_t>(capacity) : 65536;
    return true;
}

int FtpDataFile::ReceiveSome(char* bytes, std::size_t size)
{
    try {
        const int n = data.receiveBytes(bytes, static_cast<int>(std::min(size, maxChunk)));
        // A TLS socket says "wants more bytes" with a negative count when it
        // ran into the receive timeout: never to be taken for the end of the file.
        if (n < 0)
            pendingError = ERROR_INTERNET_TIMEOUT;
        return n;
    } catch (const Poco::TimeoutException&) {
        pendingError = ERROR_INTERNET_TIMEOUT;
    } catch (const Poco::Exception&) {
        pendingError = ERROR_INTERNET_CONNECTION_RESET;
    }
    return -1;
}

// Read and sent a piece at a time through a buffer small enough to stay in
// the core's cache. sendfile() was tried and measured slower, about half
// the speed against a server on the same machine: zero copy leaves the
// one read of the file's cold pages to the receiving side, the server's
// core, which is the one that sets the pace.
long FtpDataFile::SendBytesFrom(int fd, std::size_t size)
{
    if (!open) {
        Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return -1;
    }
    MakePiece();
    std::size_t sent = 0;
    while (sent < size && !aborted) {
        const ssize_t n = ::read(fd, piece.data(), std::min(piece.size(), size - sent));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            Fail(errno, FailedSide::LocalFile);
            return -1;
        }
        if (n == 0)
            break;  // the file ended
        if (!WriteBytes(piece.data(), static_cast<std::size_t>(n)))
            return -1;
        sent += static_cast<std::size_t>(n);
    }
    if (aborted) {
        Fail(ERROR_INTERNET_CONNECTION_ABORTED);
        return -1;
    }
    return static_cast<long>(sent);
}

bool FtpDataFile::WriteBytes(const void* buffer, std::size_t size)
{
    if (!open)
        return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    const char* bytes = static_cast<const char*>(buffer);
    try {
        while (size > 0 && !aborted) {
            const int n = data.sendBytes(bytes, static_cast<int>(std::min(size, maxChunk)), MSG_NOSIGNAL);
            // Negative: a TLS send ran into the send timeout.
            if (n <= 0)
                return FailTransfer(n < 0 ? ERROR_INTERNET_TIMEOUT : ERROR_INTERNET_CONNECTION_ABORTED);
            bytes += n;
            size -= static_cast<std::size_t>(n);
        }
    } catch (const Poco::TimeoutException&) {
        return FailTransfer(ERROR_INTERNET_TIMEOUT);
    } catch (const Poco::Exception& failure) {
        // A send that ran into the send timeout comes back as a plain I/O
        // error carrying EAGAIN: the server stopped reading.
        const bool stalled = failure.code() == EAGAIN || failure.code() == EWOULDBLOCK;
        return FailTransfer(stalled ? ERROR_INTERNET_TIMEOUT : ERROR_INTERNET_CONNECTION_RESET);
    }
    if (aborted)
        return Fail(ERROR_INTERNET_CONNECTION_ABORTED);
    // Tickets are read as they come, while the upload runs: Abort shuts the
    // reading side, and the upload's end could not read them any more.
    if (Encrypted())
        tls->KeepTickets(data, std::chrono::milliseconds(0));
    return true;
}

bool FtpDataFile::FailTransfer(int fallbackCode)
{
    return Fail(aborted ? ERROR_INTERNET_CONNECTION_ABORTED : fallbackCode);
}

EngineResult FtpDataFile::Close()
{
    if (!open)
        return closeResult;
    {
        std::lock_guard<std::mutex> guard(dataLock);
        open = false;
        if (Encrypted())
            tls->KeepTickets(data, ticketWait);
        if (Encrypted() && !aborted)
            EndTls();
        try {
            data.close();
        } catch (const Poco::Exception&) {
            // The descriptor is released either way; the final reply tells the outcome.
        }
    }
    for (int& end : pipeEnds) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
    closeResult = end.Finish(aborted);
    end.Release();
    return closeResult;
}

// Ends TLS in order (close_notify) and keeps the connection until the server
// has closed its end: bytes left unread at our close (TLS 1.3 tickets an
// upload never reads), or arriving after it, reset the connection, and
// servers take a reset for a failed upload. The TLS shutdown sends
// close_notify alone (see TlsLayer::SecureData); our sending side is shut
// here, the reading side never, and the connection's state tells the
// server's end.
void FtpDataFile::EndTls()
{
    const int fd = data.impl()->sockfd();
    try {
        data.shutdown();
    } catch (const Poco::Exception&) {
        return;  // the connection is gone; the final reply tells the outcome
    }
    ::shutdown(fd, SHUT_WR);
    const auto deadline = std::chrono::steady_clock::now() + endTlsBound;
    while (!PeerClosed(fd) && std::chrono::steady_clock::now() < deadline) {
        DropWaitingBytes(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    DropWaitingBytes(fd);
}

void FtpDataFile::RequirePace(std::size_t minBytes, std::chrono::milliseconds window)
{
    pace.emplace(minBytes, window, TransferPace::Clock::now());
}

void FtpDataFile::Abort()
{
    aborted = true;
    std::lock_guard<std::mutex> guard(dataLock);
    if (!open)
        return;
    // The descriptor itself, not the socket object: on an encrypted
    // connection that would write a TLS alert from this thread while the
    // transfer's thread may be inside OpenSSL on the same connection.
    // Failing means not connected any more: nothing is blocked on it.
    ::shutdown(data.impl()->sockfd(), SHUT_RDWR);
}
