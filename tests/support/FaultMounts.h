#pragma once
// Faults that chmod cannot make for root, made for real with the kernel's mounts: a small
// disk that can be filled to the last byte, and a read-only view of a folder. Each is
// unmounted at its end. Where mounting is not allowed (not root, no mount namespace) the
// object is not valid and the test skips, saying why.
#include <QString>
#include <QTemporaryDir>

class SmallDisk
{
public:
    explicit SmallDisk(int kib);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool isValid() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    // Writes a filler file until the disk takes no more bytes.
    bool fill();
    // Removes the filler again.
    void release();

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

class ReadOnlyView
{
public:
    explicit ReadOnlyView(const QString &folder);
    ~ReadOnlyView();
    ReadOnlyView(const ReadOnlyView &) = delete;
    ReadOnlyView &operator=(const ReadOnlyView &) = delete;

    bool isValid() const { return m_mounted; }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

// The reason a test skips when the mounts are not valid.
inline constexpr const char *NoMountReason = "mounting is not allowed here (needs root)";
