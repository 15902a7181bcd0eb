// The instruction picture of page 2: drawn at build time as a 415 x 440 JPEG, built into the
// executable, and shown by start-up in Picture2 exactly inside its border; a build without the
// picture leaves the box empty.
#include "app/startup.h"
#include "app/window/form1.h"
#include "app/window/instructionpicture.h"
#include "tests/common/testmain.h"

#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QSet>

using namespace Qt::StringLiterals;
using namespace app;

class TestInstructionPicture : public QObject
{
    Q_OBJECT

private slots:
    void drawnAsA415By440Jpeg();
    void drawnWithContent();
    void shownInPicture2InsideItsBorder();
    void withoutItPicture2StaysEmpty();
};

void TestInstructionPicture::drawnAsA415By440Jpeg()
{
    QImageReader built(QStringLiteral(ZC_INSTRUCTION_PICTURE));
    QCOMPARE(built.format(), QByteArray("jpeg"));
    QCOMPARE(built.size(), QSize(415, 440));
    QImageReader embedded(QString::fromUtf16(window::kInstructionPictureResource));
    QCOMPARE(embedded.format(), QByteArray("jpeg"));
    QCOMPARE(embedded.size(), QSize(415, 440));
}

void TestInstructionPicture::drawnWithContent()
{
    // Page pictures and notes, not a blank or single-coloured area: count the distinct
    // colours of a coarse grid (JPEG noise aside, a blank picture has a handful).
    const QImage picture(QString::fromUtf16(window::kInstructionPictureResource));
    QVERIFY(!picture.isNull());
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 5)
        for (int x = 0; x < picture.width(); x += 5)
            colours.insert(picture.pixel(x, y) & 0xf0f0f0);
    QVERIFY2(colours.size() > 100, qPrintable(QString::number(colours.size())));
}

void TestInstructionPicture::shownInPicture2InsideItsBorder()
{
    StartResult started = startUp();
    QVERIFY(started.program);
    auto *box = started.program->form().controls().Picture2;
    const QPixmap shown = box->pixmap();
    QVERIFY(!shown.isNull());
    QCOMPARE(shown.size(), QSize(415, 440));
    QCOMPARE(box->contentsRect().size(), shown.size());
    QCOMPARE(box->frameShape(), QFrame::Box);
    QCOMPARE(box->lineWidth(), 1);
    QCOMPARE(shown.toImage().convertToFormat(QImage::Format_RGB32),
             QImage(QString::fromUtf16(window::kInstructionPictureResource))
                 .convertToFormat(QImage::Format_RGB32));
}

void TestInstructionPicture::withoutItPicture2StaysEmpty()
{
    // The window's library never carries the picture; an executable built without it (the tool
    // that draws it, for one) shows an empty box.
    Q_CLEANUP_RESOURCE(zc_instruction_picture_tst_instructionpicture);
    QVERIFY(!QFile::exists(QString::fromUtf16(window::kInstructionPictureResource)));
    StartResult started = startUp();
    QVERIFY(started.program);
    QVERIFY(started.program->form().controls().Picture2->pixmap().isNull());
    Q_INIT_RESOURCE(zc_instruction_picture_tst_instructionpicture);
    QVERIFY(QFile::exists(QString::fromUtf16(window::kInstructionPictureResource)));
}

ZC_TEST_MAIN(TestInstructionPicture)
#include "tst_instructionpicture.moc"
