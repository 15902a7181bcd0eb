// Where the program finds its store: the player's data folder first, then beside the program.
#include "lookup/store/storelocation.h"
#include "tests/lookup/store/storetesting.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestStoreLocation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void playerFolder_data();
    void playerFolder();
    void lookUpOrder_data();
    void lookUpOrder();
    void sessionReadsThePlayersStoreFirst();

private:
    // Lays out the player's folder (through XDG_DATA_HOME) and the program's folder.
    void layOut(const QByteArray &playerEntry, bool programStore);
    QString playerDir() const { return m_dir->path() + u"/data/zembrik-corvanth"_s; }
    QString programDir() const { return m_dir->path() + u"/program"_s; }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestStoreLocation::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(programDir()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->path() + u"/data"_s));
}

void TestStoreLocation::cleanup()
{
    qunsetenv("XDG_DATA_HOME");
}

void TestStoreLocation::playerFolder_data()
{
    QTest::addColumn<QString>("xdgDataHome");
    QTest::addColumn<QString>("expected");
    QTest::newRow("XDG_DATA_HOME set") << u"/srv/data"_s << u"/srv/data/zembrik-corvanth"_s;
    QTest::newRow("with a final slash") << u"/srv/data/"_s << u"/srv/data/zembrik-corvanth"_s;
    QTest::newRow("unset: the default") << QString() << u"/home/p/.local/share/zembrik-corvanth"_s;
    QTest::newRow("relative: ignored") << u"data"_s << u"/home/p/.local/share/zembrik-corvanth"_s;
}

void TestStoreLocation::playerFolder()
{
    QFETCH(QString, xdgDataHome);
    QFETCH(QString, expected);
    QCOMPARE(store::playerStoreFolder(xdgDataHome, u"/home/p"_s), expected);
}

void TestStoreLocation::layOut(const QByteArray &playerEntry, bool programStore)
{
    using storetesting::row;
    const QString name = QString::fromUtf16(store::kStoreFileName);
    if (playerEntry == "store") {
        QVERIFY(QDir().mkpath(playerDir()));
        QCOMPARE(
            storetesting::write(playerDir() + u'/' + name,
                                {storetesting::cvTable({row(u"玩家题目"_s, u"玩家"_s, u"wj"_s)})}),
            QString());
    } else if (playerEntry == "garbage") {
        QVERIFY(QDir().mkpath(playerDir()));
        QFile f(playerDir() + u'/' + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a Jet database");
    } else if (playerEntry == "dangling link") {
        QVERIFY(QDir().mkpath(playerDir()));
        QVERIFY(QFile::link(m_dir->path() + u"/gone"_s, playerDir() + u'/' + name));
    }
    if (programStore)
        QCOMPARE(storetesting::write(
                     programDir() + u'/' + name,
                     {storetesting::cvTable({row(u"随程序题目"_s, u"随程序"_s, u"wj"_s)})}),
                 QString());
}

void TestStoreLocation::lookUpOrder_data()
{
    QTest::addColumn<QByteArray>("playerEntry");
    QTest::addColumn<bool>("programStore");
    QTest::addColumn<bool>("playersChosen");
    QTest::newRow("both stores: the player's") << "store"_ba << true << true;
    QTest::newRow("only the player's") << "store"_ba << false << true;
    QTest::newRow("only beside the program") << ""_ba << true << false;
    QTest::newRow("none: beside the program") << ""_ba << false << false;
    QTest::newRow("player's unreadable: still the player's") << "garbage"_ba << true << true;
    QTest::newRow("player's is a dangling link: still the player's")
        << "dangling link"_ba << true << true;
}

void TestStoreLocation::lookUpOrder()
{
    QFETCH(QByteArray, playerEntry);
    QFETCH(bool, programStore);
    QFETCH(bool, playersChosen);
    layOut(playerEntry, programStore);
    const store::StoreLocation location = store::locateStore(programDir());
    QCOMPARE(location.folder, playersChosen ? playerDir() : programDir());
    QCOMPARE(location.playersOwn, playersChosen);
    QCOMPARE(location.path(), location.folder + u"/crvt.dat"_s);
}

// The program's own session, on its default folder rule applied to a program folder of the test.
void TestStoreLocation::sessionReadsThePlayersStoreFirst()
{
    const QString statement = QString::fromUtf16(store::kSearchStatement);
    store::StoreSession session([this] { return store::locateStore(programDir()).folder; });

    layOut("", true);
    auto error = session.OpenStoreQuery(statement, store::searchParameters(u"wj"_s));
    QVERIFY2(!error, qPrintable(error ? error->message : QString()));
    // Beside the program, the connection string is the program's usual one, to the letter.
    QCOMPARE(session.currentConnection()->connectionString(),
             store::connectionString(programDir()));
    QCOMPARE(session.currentRecordSet()->text(0, 0), u"随程序题目"_s);

    layOut("store", false);
    error = session.OpenStoreQuery(statement, store::searchParameters(u"wj"_s));
    QVERIFY2(!error, qPrintable(error ? error->message : QString()));
    QCOMPARE(session.currentRecordSet()->text(0, 0), u"玩家题目"_s);

    // A broken store of the player's is refused; the shipped one does not stand in for it.
    QVERIFY(QFile::remove(playerDir() + u"/crvt.dat"_s));
    layOut("garbage", false);
    error = session.OpenStoreQuery(statement, store::searchParameters(u"wj"_s));
    QVERIFY2(error, "the player's broken store was read");
    QVERIFY2(error->message.contains(playerDir()), qPrintable(error->message));
    QCOMPARE(session.currentRecordSet()->text(0, 0), u"玩家题目"_s); // the screen is kept
}

QTEST_GUILESS_MAIN(TestStoreLocation)
#include "tst_storelocation.moc"
