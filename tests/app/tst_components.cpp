// Component installation over a table of temporary paths and embedded test resources.
#include "app/components.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace app;

class TestComponents : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::vector<ComponentFile> m_table;

    static QByteArray resourceBytes(int id)
    {
        QFile f(u":/test-components/%1"_s.arg(id));
        if (!f.open(QIODevice::ReadOnly))
            qFatal("test resource %d missing", id);
        return f.readAll();
    }
    static QByteArray fileBytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    QStringList folderEntries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_dir.path()));
        m_table.clear();
        const char *names[] = {"TABCTL32.OCX", "COMDLG32.OCX", "MSCOMCTL.OCX", "MSSTDFMT.DLL"};
        for (int i = 0; i < 4; ++i)
            m_table.push_back({101 + i, u":/test-components/%1"_s.arg(101 + i),
                               m_dir.filePath(QString::fromLatin1(names[i]))});
    }

    void theProgramCarriesNoComponentsOnThisPlatform()
    {
        QVERIFY(programComponents().empty());
        QCOMPARE(installComponents(programComponents()), std::nullopt);
    }

    void missingFilesAreWrittenWithExactlyTheResourceBytes()
    {
        QCOMPARE(installComponents(m_table), std::nullopt);
        for (const ComponentFile &row : m_table) {
            const QByteArray expected = resourceBytes(row.resourceId);
            QVERIFY(expected.size() > 1000);
            QCOMPARE(fileBytes(row.targetPath), expected);
        }
        // Nothing else is left in the folder: no temporary files.
        QCOMPARE(folderEntries().size(), 4);
    }

    void presentFilesAreLeftUntouchedWhateverTheirContent()
    {
        writeFile(m_table[0].targetPath, QByteArray());            // empty
        writeFile(m_table[2].targetPath, QByteArray(300000, 'x')); // larger than the resource
        const QDateTime before = QFileInfo(m_table[2].targetPath).lastModified();
        QTest::qWait(20);

        QCOMPARE(installComponents(m_table), std::nullopt);
        QCOMPARE(fileBytes(m_table[0].targetPath), QByteArray());
        QCOMPARE(fileBytes(m_table[2].targetPath), QByteArray(300000, 'x'));
        QCOMPARE(QFileInfo(m_table[2].targetPath).lastModified(), before);
        QCOMPARE(fileBytes(m_table[1].targetPath), resourceBytes(102));
        QCOMPARE(fileBytes(m_table[3].targetPath), resourceBytes(104));
    }

    void withAllFilesPresentNothingIsWritten()
    {
        for (const ComponentFile &row : m_table)
            writeFile(row.targetPath, "old");
        QCOMPARE(installComponents(m_table), std::nullopt);
        for (const ComponentFile &row : m_table)
            QCOMPARE(fileBytes(row.targetPath), QByteArray("old"));
    }

    void aHiddenFileCountsAsMissingAndIsOverwritten()
    {
        m_table[1].targetPath = m_dir.filePath(u".COMDLG32.OCX"_s);
        writeFile(m_table[1].targetPath, "stale");
        QVERIFY(!componentPresent(m_table[1].targetPath));
        QCOMPARE(installComponents(m_table), std::nullopt);
        QCOMPARE(fileBytes(m_table[1].targetPath), resourceBytes(102));
    }

    void aDirectoryAtTheTargetIsNotAFile()
    {
        QVERIFY(QDir().mkpath(m_table[0].targetPath));
        QVERIFY(!componentPresent(m_table[0].targetPath));
    }

    void aFailureStopsTheWalkAndLeavesNoPartialFile()
    {
        // Row 102 cannot be written (a directory stands in the way of the rename); 101 was
        // written before it, 103 and 104 are never looked at.
        QVERIFY(QDir().mkpath(m_table[1].targetPath));
        const auto failure = installComponents(m_table);
        QVERIFY(failure.has_value());
        QCOMPARE(failure->resourceId, 102);
        QCOMPARE(failure->targetPath, m_table[1].targetPath);
        QVERIFY(!failure->reason.isEmpty());

        QCOMPARE(fileBytes(m_table[0].targetPath), resourceBytes(101));
        QVERIFY(!QFileInfo::exists(m_table[2].targetPath));
        QVERIFY(!QFileInfo::exists(m_table[3].targetPath));
        QCOMPARE(QDir(m_table[1].targetPath).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());
        // Only the written file and the obstacle: no temporary file left behind.
        QCOMPARE(folderEntries().size(), 2);
    }

    void aMissingFolderIsAFailureOfThatRow()
    {
        m_table[0].targetPath = m_dir.filePath(u"no-such-folder/TABCTL32.OCX"_s);
        const auto failure = installComponents(m_table);
        QVERIFY(failure.has_value());
        QCOMPARE(failure->resourceId, 101);
        QVERIFY(folderEntries().isEmpty());
    }

    void anUnreadableResourceIsAFailure()
    {
        m_table[2].resource = u":/test-components/999"_s;
        const auto failure = installComponents(m_table);
        QVERIFY(failure.has_value());
        QCOMPARE(failure->resourceId, 103);
        QVERIFY(!QFileInfo::exists(m_table[2].targetPath));
        QVERIFY(!QFileInfo::exists(m_table[3].targetPath));
    }
};

QTEST_GUILESS_MAIN(TestComponents)
#include "tst_components.moc"
