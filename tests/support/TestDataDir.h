#pragma once
// A freshly provisioned data directory in a temporary folder, set as the program's
// locations for the life of the object.
#include <QString>
#include <QTemporaryDir>

class TestDataDir
{
public:
    // provision false leaves the data folder missing (for the failure cases). The temporary
    // folder is made in parent when one is given (a small disk, say).
    explicit TestDataDir(bool provision = true, const QString &parent = QString());
    ~TestDataDir();

    QString programDir() const { return m_dir.path(); }
    QString dataDir() const;
    QString dataMdb() const;
    QString workMdb() const;

private:
    QTemporaryDir m_dir;
};
