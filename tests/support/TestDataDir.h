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

    // Puts the data and work files of the program's first schema version into dataDir (made
    // when missing): invoice 1 of 2019 stored at 5 %, a settings row, two products, a line
    // typed into w明細.
    static void putVersion1Files(const QString &dataDir);

    QString programDir() const { return m_dir.path(); }
    QString dataDir() const;
    QString dataMdb() const;
    QString workMdb() const;

private:
    QTemporaryDir m_dir;
};
