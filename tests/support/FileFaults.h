#pragma once
// Places where writing a file fails part way, for the tests of what a
// failed save leaves behind.

#include <QDir>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace ksr::test {

// While it lives, no file of this process can grow past `bytes`: a write
// beyond fails with EFBIG (the signal the kernel would send is ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        set_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool IsSet() const { return set_; }

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
    bool set_ = false;
};

// A 64 KiB tmpfs mounted on a temporary folder (root only), unmounted at the
// end; Fill() leaves it without a free byte.
class SmallTmpfs {
public:
    SmallTmpfs()
    {
        mounted_ = dir_.isValid() && geteuid() == 0
                   && mount("tmpfs", dir_.path().toLocal8Bit().constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallTmpfs()
    {
        if (mounted_)
            umount(dir_.path().toLocal8Bit().constData());
    }
    SmallTmpfs(const SmallTmpfs &) = delete;
    SmallTmpfs &operator=(const SmallTmpfs &) = delete;
    bool IsMounted() const { return mounted_; }
    QString Path() const { return dir_.path(); }
    // Writes a filler file until the file system is full.
    void Fill() const
    {
        QFile filler(QDir(dir_.path()).filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray block(512, 'x');
        while (filler.write(block) > 0) {
        }
        const QByteArray byte(1, 'x');
        while (filler.write(byte) > 0) {
        }
    }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

} // namespace ksr::test
