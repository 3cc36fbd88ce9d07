// The six work-mode pictures: names, size, cache, that languages and modes
// draw different pictures, and that nothing runs off the strip. The pictures
// are also written as PNG files next to the test program to be looked at.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTest>

#include <string>

#include "app/work_mode_pictures.h"

using namespace t418;

namespace {

const char* const kNames[] = {"NET_CN", "NET_EN", "HTTP_CN", "HTTP_EN", "SMS_CN", "SMS_EN"};

QImage ImageOf(const std::string& name) {
  return WorkModePicture(name).toImage().convertToFormat(QImage::Format_RGB32);
}

// Share of the pixels of a region that are not the white background.
double InkShare(const QImage& image, const QRect& region) {
  int inked = 0;
  for (int y = region.top(); y <= region.bottom(); ++y) {
    for (int x = region.left(); x <= region.right(); ++x) {
      if (image.pixel(x, y) != qRgb(255, 255, 255)) ++inked;
    }
  }
  return double(inked) / (region.width() * region.height());
}

}  // namespace

class WorkModePicturesTest : public QObject {
  Q_OBJECT

 private slots:
  void namesGivePicturesOfTheStripSize_data() {
    QTest::addColumn<QString>("name");
    for (const char* name : kNames) QTest::newRow(name) << QString::fromLatin1(name);
    QTest::newRow("mixed case") << QStringLiteral("Net_cn");
    QTest::newRow("lower case") << QStringLiteral("sms_en");
    QTest::newRow("odd case") << QStringLiteral("hTtP_En");
  }
  void namesGivePicturesOfTheStripSize() {
    QFETCH(QString, name);
    const QPixmap picture = WorkModePicture(name.toStdString());
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), kWorkModePictureSize);
    QCOMPARE(picture.devicePixelRatio(), 1.0);
  }

  void caseDoesNotMatterForWhichPicture() {
    QCOMPARE(WorkModePicture("Net_cn").toImage(), WorkModePicture("NET_CN").toImage());
    QCOMPARE(WorkModePicture("sms_en").toImage(), WorkModePicture("SMS_EN").toImage());
    QVERIFY(WorkModePicture("http_cn").toImage() != WorkModePicture("http_en").toImage());
  }

  void unknownNamesGiveNoPicture_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("mode without language") << QStringLiteral("NET");
    QTest::newRow("other language") << QStringLiteral("NET_DE");
    QTest::newRow("UDC has no picture") << QStringLiteral("UDC_CN");
    QTest::newRow("trailing space") << QStringLiteral("NET_CN ");
    QTest::newRow("no separator") << QStringLiteral("NETCN");
    QTest::newRow("longer") << QStringLiteral("SMS_CNX");
  }
  void unknownNamesGiveNoPicture() {
    QFETCH(QString, name);
    QVERIFY(WorkModePicture(name.toStdString()).isNull());
    QVERIFY(!ParseWorkModePictureName(name.toStdString()).has_value());
  }

  void languagesOfOneModeDiffer() {
    QVERIFY(ImageOf("NET_CN") != ImageOf("NET_EN"));
    QVERIFY(ImageOf("HTTP_CN") != ImageOf("HTTP_EN"));
    QVERIFY(ImageOf("SMS_CN") != ImageOf("SMS_EN"));
  }

  void modesDifferInBothLanguages() {
    for (const char* lang : {"_CN", "_EN"}) {
      const QImage net = ImageOf(std::string("NET") + lang);
      const QImage http = ImageOf(std::string("HTTP") + lang);
      const QImage sms = ImageOf(std::string("SMS") + lang);
      QVERIFY2(net != http, lang);
      QVERIFY2(net != sms, lang);
      QVERIFY2(http != sms, lang);
    }
  }

  // The peer, the network, the terminal and the serial device each leave ink
  // in their part of the strip, and nothing touches its edges (a shape or a
  // name cut off at the border would).
  void everyPictureFillsTheStripWithoutRunningOffIt_data() {
    QTest::addColumn<QString>("name");
    for (const char* name : kNames) QTest::newRow(name) << QString::fromLatin1(name);
  }
  void everyPictureFillsTheStripWithoutRunningOffIt() {
    QFETCH(QString, name);
    const QImage image = ImageOf(name.toStdString());
    const int w = image.width();
    const int h = image.height();
    for (int part = 0; part < 4; ++part) {
      const QRect region(part * w / 4, 0, w / 4, h);
      QVERIFY2(InkShare(image, region) > 0.05, qPrintable(QStringLiteral("quarter %1 nearly empty").arg(part)));
    }
    QCOMPARE(InkShare(image, QRect(0, 0, w, 1)), 0.0);
    QCOMPARE(InkShare(image, QRect(0, h - 1, w, 1)), 0.0);
    QCOMPARE(InkShare(image, QRect(0, 0, 1, h)), 0.0);
    QCOMPARE(InkShare(image, QRect(w - 1, 0, 1, h)), 0.0);
    // The band of the names under the icons carries text.
    QVERIFY(InkShare(image, QRect(0, 62, w, 16)) > 0.02);
  }

  void picturesAreDrawnOnceAndServedFromTheCache() {
    const QPixmap first = WorkModePicture("HTTP_EN");
    QCOMPARE(WorkModePicture("HTTP_EN").cacheKey(), first.cacheKey());
    QCOMPARE(WorkModePicture("http_en").cacheKey(), first.cacheKey());
    QVERIFY(WorkModePicture("HTTP_CN").cacheKey() != first.cacheKey());
    // A fresh drawing gives the same pixels as the cached one.
    QCOMPARE(DrawWorkModePicture({WorkModePictureKind::kHttp, false}).toImage(), first.toImage());
  }

  void highDensityPicturesCarryTheirRatio() {
    const QPixmap sharp = WorkModePicture("SMS_CN", 2.0);
    QVERIFY(!sharp.isNull());
    QCOMPARE(sharp.size(), kWorkModePictureSize * 2);
    QCOMPARE(sharp.devicePixelRatio(), 2.0);
    QCOMPARE(sharp.deviceIndependentSize(), QSizeF(kWorkModePictureSize));
    QVERIFY(sharp.cacheKey() != WorkModePicture("SMS_CN").cacheKey());
    // Same drawing at twice the density: scaled down it is close to the plain one.
    const QImage down = sharp.toImage()
                            .scaled(kWorkModePictureSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_RGB32);
    const QImage plain = ImageOf("SMS_CN");
    long long difference = 0;
    for (int y = 0; y < plain.height(); ++y) {
      for (int x = 0; x < plain.width(); ++x) {
        difference += qAbs(qGray(down.pixel(x, y)) - qGray(plain.pixel(x, y)));
      }
    }
    QVERIFY2(difference / double(plain.width() * plain.height()) < 12.0, "the 2x picture draws something else");
  }

  void writesThePicturesForLookingAt() {
    const QDir dir(QCoreApplication::applicationDirPath());
    for (const char* name : kNames) {
      const QString file = dir.filePath(QStringLiteral("work_mode_%1.png").arg(QLatin1String(name)));
      QVERIFY2(WorkModePicture(name).save(file, "PNG"), qPrintable(file));
      QVERIFY2(WorkModePicture(name, 2.0).save(dir.filePath(QStringLiteral("work_mode_%1@2x.png").arg(QLatin1String(name))), "PNG"),
               name);
    }
  }
};

QTEST_MAIN(WorkModePicturesTest)
#include "work_mode_pictures_test.moc"
