#include "qtsupport/QtTestMain.h"

#include "imaging/CScreen.h"
#include "uikit/CPictrelImage.h"
#include "app/ImageReaders.h"

#include <QPainter>

namespace {

const QString kUnit = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");

int loadError(CPictrelImage& image, const QString& path)
{
    try {
        image.LoadFile(path);
    } catch (const CPictrelException& error) {
        return error.m_nCode;
    }
    return 0;
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(bytes);
    return path;
}

QByteArray readSample()
{
    QFile file(kUnit);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class CPictrelImageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterKinetraImageReaders(); }
    void flcGivesItsFirstFrameAndFormat134()
    {
        QVERIFY(kinetra::g_pScreen == nullptr);
        CPictrelImage image;
        QCOMPARE(loadError(image, kUnit), 0);
        QVERIFY(image.IsLoaded());
        QCOMPARE(image.GetImgFileInfo().format, std::uint32_t(134));
        QCOMPARE(image.GetImgFileInfo().fileName, kUnit);
        QVERIFY(image.Image().width() > 0 && image.Image().height() > 0);
        // Decoding needs no screen and leaves none behind.
        QVERIFY(kinetra::g_pScreen == nullptr);
        // A unit over its transparent background: more than one colour.
        const QImage& frame = image.Image();
        QVERIFY(frame.pixel(0, 0) != frame.pixel(frame.width() / 2, frame.height() / 2));

        image.CloseFile();
        QVERIFY(!image.IsLoaded());
        QCOMPARE(image.GetImgFileInfo().format, std::uint32_t(PICTREL_FORMAT_UNKNOWN));
    }

    void otherImagesComeThroughQtReaders()
    {
        QTemporaryDir dir;
        QImage source(8, 4, QImage::Format_RGB32);
        source.fill(QColor(10, 200, 30));
        const QString png = dir.path() + QStringLiteral("/green.png");
        QVERIFY(source.save(png));
        const QString bmp = dir.path() + QStringLiteral("/green.bmp");
        QVERIFY(source.save(bmp));
        // Content decides, not the extension.
        const QString disguised = dir.path() + QStringLiteral("/fake.flc");
        QVERIFY(QFile::copy(png, disguised));

        CPictrelImage image;
        QCOMPARE(loadError(image, png), 0);
        QCOMPARE(image.GetImgFileInfo().format, std::uint32_t(PICTREL_FORMAT_PNG));
        QCOMPARE(image.Image().size(), QSize(8, 4));
        QCOMPARE(QColor(image.Image().pixel(3, 2)), QColor(10, 200, 30));
        QCOMPARE(loadError(image, bmp), 0);
        QCOMPARE(image.GetImgFileInfo().format, std::uint32_t(PICTREL_FORMAT_BMP));
        QCOMPARE(loadError(image, disguised), 0);
        QCOMPARE(image.GetImgFileInfo().format, std::uint32_t(PICTREL_FORMAT_PNG));
    }

    void failuresThrowTheirCodes()
    {
        QTemporaryDir dir;
        CPictrelImage image;
        QCOMPARE(loadError(image, kUnit), 0);

        QCOMPARE(loadError(image, dir.path() + QStringLiteral("/missing.flc")), int(PICTREL_ERR_OPEN));
        QVERIFY(!image.IsLoaded());
        QCOMPARE(loadError(image, dir.path()), int(PICTREL_ERR_OPEN));

        const QString text = writeFile(dir.path() + QStringLiteral("/readme.txt"), "just words\n");
        QCOMPARE(loadError(image, text), int(PICTREL_ERR_FORMAT));
        const QString empty = writeFile(dir.path() + QStringLiteral("/empty.flc"), QByteArray());
        QCOMPARE(loadError(image, empty), int(PICTREL_ERR_FORMAT));

        const QByteArray sample = readSample();
        QVERIFY(sample.size() > 1000);
        const QString truncated = writeFile(dir.path() + QStringLiteral("/cut.flc"), sample.left(100));
        QCOMPARE(loadError(image, truncated), int(PICTREL_ERR_DECODE));
        QVERIFY(!image.IsLoaded());
        QVERIFY(kinetra::g_pScreen == nullptr);
    }

    void errorTextsAreReadable()
    {
        for (int code : {int(PICTREL_ERR_OPEN), int(PICTREL_ERR_FORMAT), int(PICTREL_ERR_DECODE), int(PICTREL_ERR_MEMORY), 77}) {
            const QString text = GetErrorMessage(code);
            QVERIFY(text.size() > 10);
            QVERIFY(text.endsWith(QLatin1Char('.')));
        }
        QVERIFY(GetErrorMessage(PICTREL_ERR_OPEN) != GetErrorMessage(PICTREL_ERR_FORMAT));
        QVERIFY(GetErrorMessage(PICTREL_ERR_FORMAT) != GetErrorMessage(PICTREL_ERR_DECODE));
    }

    void renderFitsCentredWithoutSmoothing()
    {
        QTemporaryDir dir;
        // Two hard halves: smoothing would blend them where they meet.
        QImage source(4, 2, QImage::Format_RGB32);
        source.fill(Qt::red);
        for (int y = 0; y < 2; ++y)
            for (int x = 2; x < 4; ++x)
                source.setPixel(x, y, qRgb(0, 0, 255));
        const QString png = dir.path() + QStringLiteral("/halves.png");
        QVERIFY(source.save(png));
        CPictrelImage image;
        QCOMPARE(loadError(image, png), 0);

        QImage canvas(100, 100, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        {
            QPainter painter(&canvas);
            image.Render(painter, QRect(0, 0, 100, 100), 2);
        }
        // 4 × 2 fitted into 100 × 100 is 100 × 50, centred from y 25 to 74.
        QCOMPARE(QColor(canvas.pixel(50, 10)), QColor(Qt::white));
        QCOMPARE(QColor(canvas.pixel(50, 90)), QColor(Qt::white));
        QCOMPARE(QColor(canvas.pixel(0, 30)), QColor(Qt::red));
        QCOMPARE(QColor(canvas.pixel(49, 50)), QColor(Qt::red));
        QCOMPARE(QColor(canvas.pixel(50, 50)), QColor(Qt::blue));
        QCOMPARE(QColor(canvas.pixel(99, 70)), QColor(Qt::blue));
    }
};

KINETRA_QTEST_MAIN(CPictrelImageTest)
#include "CPictrelImageTest.moc"
