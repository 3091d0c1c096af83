#pragma once
// Files that are not regular files, for tests of the readers that must
// refuse them. A named pipe here can never make a test wait: the test holds
// both of its ends (opening a pipe for reading and writing does not block),
// with bytes already in it, so a reader that opened it by mistake would
// neither wait for a writer nor, at first, for data; and a watchdog closes
// the held ends after a while, which gives such a reader its end of file.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class HeldPipe {
public:
    explicit HeldPipe(std::string path, std::size_t bytes = 4096) : path_(std::move(path)) {
        if (::mkfifo(path_.c_str(), 0644) != 0) {
            ADD_FAILURE() << "mkfifo " << path_;
            return;
        }
        fd_ = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) {
            ADD_FAILURE() << "open " << path_;
            return;
        }
        const std::string zeros(bytes, '\0');
        if (::write(fd_, zeros.data(), zeros.size()) < 0) ADD_FAILURE() << "write " << path_;
        watchdog_ = std::thread([this] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!done_.wait_for(lock, std::chrono::seconds(30), [this] { return finished_; })) closeEnds();
        });
    }
    ~HeldPipe() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
            closeEnds();
        }
        done_.notify_all();
        if (watchdog_.joinable()) watchdog_.join();
    }
    HeldPipe(const HeldPipe&) = delete;
    HeldPipe& operator=(const HeldPipe&) = delete;

    const std::string& path() const noexcept { return path_; }

private:
    void closeEnds() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    std::string path_;
    int fd_ = -1;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread watchdog_;
};
