#include "app/work_mode_pictures.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QStringList>

#include <array>
#include <map>
#include <tuple>
#include <utility>

#include "text/ascii_case.h"

namespace t418 {

namespace {

// ---- Look --------------------------------------------------------------------
// Flat shapes on white; slate for hardware bodies, blue for screens, networks
// and radio, green for the circuit board. Fills only (no outlines) where a
// shape allows it, so edges stay crisp at a ratio of 1.

const QColor kBackground(0xFF, 0xFF, 0xFF);
const QColor kLabelInk(0x26, 0x32, 0x38);     // names under the icons
const QColor kLinkInk(0x15, 0x65, 0xC0);      // names above the arrows
const QColor kArrow(0x78, 0x90, 0x9C);
const QColor kBody(0x37, 0x47, 0x4F);         // cases, frames
const QColor kBodyLight(0x54, 0x6E, 0x7A);    // inner parts of a case
const QColor kMetal(0xB0, 0xBE, 0xC5);        // pins, buttons, slots
const QColor kScreen(0x64, 0xB5, 0xF6);
const QColor kScreenShine(0x90, 0xCA, 0xF9);
const QColor kCloud(0xBB, 0xDE, 0xFB);
const QColor kCloudEdge(0x42, 0xA5, 0xF5);
const QColor kRadio(0x1E, 0x88, 0xE5);
const QColor kPcb(0x2E, 0x7D, 0x32);
const QColor kPcbLight(0xA5, 0xD6, 0xA7);
const QColor kPcbDark(0x1B, 0x5E, 0x20);
const QColor kTrace(0xFB, 0xC0, 0x2D);
const QColor kChip(0x21, 0x21, 0x21);
const QColor kLedGreen(0x66, 0xBB, 0x6A);
const QColor kLedAmber(0xFF, 0xA7, 0x26);
const QColor kLcd(0xAE, 0xD5, 0x81);
const QColor kLcdInk(0x33, 0x69, 0x1E);

// ---- Layout ------------------------------------------------------------------
// Four stations on one line; the arrows run between their icons at kLinkY.

constexpr qreal kLinkY = 33;             // arrows, and the middle of the icons
constexpr qreal kLinkLabelTop = 16;      // link names sit above their arrow
constexpr qreal kLinkLabelHeight = 14;
constexpr qreal kLabelTop = 60;          // station names under the icons
constexpr qreal kLabelHeight = 18;
constexpr qreal kArrowGap = 5;           // free space between an icon and an arrow tip
constexpr qreal kArrowHead = 7;
constexpr int kLabelPixelSize = 11;
constexpr int kLinkLabelPixelSize = 10;
constexpr int kSmallestPixelSize = 8;    // a name too wide for its place shrinks down to this

struct Station {
  qreal cx;          // middle of icon and name
  qreal labelWidth;  // room for the name
};

constexpr Station kPeer{44, 88};
constexpr Station kNetwork{176, 96};
constexpr Station kTerminal{314, 96};
constexpr Station kDevice{488, 88};

// How far an icon reaches left and right of its station's middle.
struct Reach {
  qreal left;
  qreal right;
};

constexpr Reach kPcReach{20, 20};
constexpr Reach kServerReach{17, 17};
constexpr Reach kPhoneReach{13, 13};
constexpr Reach kCloudReach{28, 31};
constexpr Reach kTowerReach{15, 15};
constexpr Reach kBoardReach{31, 31};
constexpr Reach kDeviceReach{25, 22};

// ---- Texts -------------------------------------------------------------------

struct Labels {
  const char* peer;
  const char* link;  // peer to network and network to terminal
  const char* network;
  const char* terminal;
  const char* serialLink;
  const char* device;
};

// Indexed by kind, then [0] English, [1] Chinese. UTF-8.
constexpr std::array<std::array<Labels, 2>, 3> kLabels{{
    {{{"PC", "TCP/UDP", "Internet", "M2M device", "RS232/RS485", "Serial device"},
      {"电脑", "TCP/UDP", "网络", "M2M设备", "RS232/RS485串口", "串口设备"}}},
    {{{"HTTP server", "HTTP", "Internet", "M2M device", "RS232/RS485", "Serial device"},
      {"HTTP服务器", "HTTP", "网络", "M2M设备", "RS232/RS485串口", "串口设备"}}},
    {{{"Mobile phone", "SMS", "Base station", "M2M device", "RS232/RS485", "Serial device"},
      {"手机", "短信", "基站", "M2M设备", "RS232/RS485串口", "串口设备"}}},
}};

QFont LabelFont(bool chinese, int pixelSize, bool bold) {
  QStringList families;
  if (chinese) {
    families << QStringLiteral("Noto Sans CJK SC") << QStringLiteral("Source Han Sans SC")
             << QStringLiteral("WenQuanYi Micro Hei") << QStringLiteral("Microsoft YaHei")
             << QStringLiteral("SimHei");
  }
  families << QStringLiteral("Noto Sans") << QStringLiteral("DejaVu Sans")
           << QStringLiteral("Liberation Sans") << QStringLiteral("Arial");
  QFont font;
  font.setFamilies(families);
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  font.setWeight(bold ? QFont::DemiBold : QFont::Normal);
  return font;
}

// Draws a name centred in its box; a name wider than the box is set smaller
// rather than cut off.
void DrawLabel(QPainter& painter, const QRectF& box, const char* utf8, const QColor& ink, bool chinese,
               int pixelSize, bool bold) {
  const QString text = QString::fromUtf8(utf8);
  QFont font = LabelFont(chinese, pixelSize, bold);
  while (pixelSize > kSmallestPixelSize && QFontMetricsF(font).horizontalAdvance(text) > box.width() - 2) {
    font.setPixelSize(--pixelSize);
  }
  painter.setFont(font);
  painter.setPen(ink);
  painter.drawText(box, Qt::AlignCenter, text);
}

void DrawStationLabel(QPainter& painter, const Station& station, const char* utf8, bool chinese) {
  const QRectF box(station.cx - station.labelWidth / 2, kLabelTop, station.labelWidth, kLabelHeight);
  DrawLabel(painter, box, utf8, kLabelInk, chinese, kLabelPixelSize, false);
}

// A link: a line with a head at each end (data flows both ways), its name above.
void DrawLink(QPainter& painter, qreal fromX, qreal toX, const char* utf8, bool chinese) {
  const qreal x1 = fromX + kArrowGap;
  const qreal x2 = toX - kArrowGap;
  painter.setPen(QPen(kArrow, 2, Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(QPointF(x1 + kArrowHead - 1, kLinkY), QPointF(x2 - kArrowHead + 1, kLinkY));
  painter.setPen(Qt::NoPen);
  painter.setBrush(kArrow);
  const qreal h = 4.5;  // half the height of a head
  painter.drawPolygon(QPolygonF{{x1, kLinkY}, {x1 + kArrowHead, kLinkY - h}, {x1 + kArrowHead, kLinkY + h}});
  painter.drawPolygon(QPolygonF{{x2, kLinkY}, {x2 - kArrowHead, kLinkY - h}, {x2 - kArrowHead, kLinkY + h}});
  const QRectF box(fromX, kLinkLabelTop, toX - fromX, kLinkLabelHeight);
  DrawLabel(painter, box, utf8, kLinkInk, chinese, kLinkLabelPixelSize, true);
}

void Fill(QPainter& painter, const QRectF& rect, const QColor& colour, qreal radius = 0) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  if (radius > 0) {
    painter.drawRoundedRect(rect, radius, radius);
  } else {
    painter.drawRect(rect);
  }
}

void Dot(QPainter& painter, QPointF centre, qreal radius, const QColor& colour) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  painter.drawEllipse(centre, radius, radius);
}

// ---- Icons -------------------------------------------------------------------
// Each draws around its station's middle cx, between y = 3 and y = 56.

void DrawPc(QPainter& painter, qreal cx) {
  Fill(painter, QRectF(cx - 20, 12, 40, 29), kBody, 3);        // monitor
  Fill(painter, QRectF(cx - 17, 15, 34, 23), kScreen);          // screen
  painter.setBrush(kScreenShine);
  painter.drawPolygon(QPolygonF{{cx - 17, 15}, {cx - 3, 15}, {cx - 17, 29}});
  Fill(painter, QRectF(cx - 4, 41, 8, 6), kBodyLight);          // neck
  Fill(painter, QRectF(cx - 14, 47, 28, 4), kBody, 2);          // foot
}

void DrawServer(QPainter& painter, qreal cx) {
  Fill(painter, QRectF(cx - 17, 9, 34, 47), kBody, 3);
  for (int i = 0; i < 3; ++i) {
    const qreal top = 12 + i * 14;
    const qreal mid = top + 6;
    Fill(painter, QRectF(cx - 14, top, 28, 12), kBodyLight, 1.5);
    Fill(painter, QRectF(cx - 11, mid - 1, 12, 2), kMetal, 1);    // drive slot
    Dot(painter, QPointF(cx + 5, mid), 1.8, kLedAmber);
    Dot(painter, QPointF(cx + 10, mid), 1.8, kLedGreen);
  }
}

void DrawPhone(QPainter& painter, qreal cx) {
  Fill(painter, QRectF(cx - 13, 8, 26, 48), kBody, 5);
  Fill(painter, QRectF(cx - 10, 14, 20, 34), kScreen);
  Fill(painter, QRectF(cx - 4, 10.5, 8, 1.5), kMetal, 0.75);    // earpiece
  Dot(painter, QPointF(cx, 52), 2, kMetal);                     // button
  // A message on the screen.
  Fill(painter, QRectF(cx - 7, 22, 14, 10), kBackground, 2);
  painter.drawPolygon(QPolygonF{{cx - 5, 31}, {cx - 1, 31}, {cx - 6, 36}});
  for (int i = -1; i <= 1; ++i) Dot(painter, QPointF(cx + 4 * i, 27), 1.2, kRadio);
}

void DrawCloud(QPainter& painter, qreal cx) {
  QPainterPath cloud;
  cloud.addEllipse(QPointF(cx - 18, 39), 10, 10);
  cloud.addEllipse(QPointF(cx - 4, 29), 14, 14);
  cloud.addEllipse(QPointF(cx + 13, 33), 12, 12);
  cloud.addEllipse(QPointF(cx + 22, 41), 9, 9);
  cloud.addRect(QRectF(cx - 18, 39, 40, 11));
  cloud.setFillRule(Qt::WindingFill);
  cloud = cloud.simplified();  // one outline around the union
  painter.setPen(QPen(kCloudEdge, 1.5));
  painter.setBrush(kCloud);
  painter.drawPath(cloud);
}

void DrawTower(QPainter& painter, qreal cx) {
  const qreal top = 18;
  const qreal bottom = 55;
  const qreal topHalf = 3;
  const qreal bottomHalf = 13;
  auto halfAt = [&](qreal y) { return topHalf + (bottomHalf - topHalf) * (y - top) / (bottom - top); };

  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(kBodyLight, 1.2, Qt::SolidLine, Qt::RoundCap));
  const std::array<qreal, 4> levels{top, 28, 40, bottom};
  for (size_t i = 1; i < levels.size(); ++i) {  // cross braces between the legs
    const qreal y0 = levels[i - 1];
    const qreal y1 = levels[i];
    painter.drawLine(QPointF(cx - halfAt(y0), y0), QPointF(cx + halfAt(y1), y1));
    painter.drawLine(QPointF(cx + halfAt(y0), y0), QPointF(cx - halfAt(y1), y1));
    if (i + 1 < levels.size()) painter.drawLine(QPointF(cx - halfAt(y1), y1), QPointF(cx + halfAt(y1), y1));
  }
  painter.setPen(QPen(kBody, 2.2, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(cx - topHalf, top), QPointF(cx - bottomHalf, bottom));
  painter.drawLine(QPointF(cx + topHalf, top), QPointF(cx + bottomHalf, bottom));
  painter.drawLine(QPointF(cx - topHalf, top), QPointF(cx + topHalf, top));
  painter.drawLine(QPointF(cx, top), QPointF(cx, 12));  // mast

  // Radio waves both ways from the antenna.
  const QPointF antenna(cx, 10);
  painter.setPen(QPen(kRadio, 1.8, Qt::SolidLine, Qt::RoundCap));
  for (qreal r : {6.0, 11.0}) {
    const QRectF arc(antenna.x() - r, antenna.y() - r, 2 * r, 2 * r);
    painter.drawArc(arc, -40 * 16, 80 * 16);
    painter.drawArc(arc, 140 * 16, 80 * 16);
  }
  Dot(painter, antenna, 2.8, kRadio);
}

void DrawBoard(QPainter& painter, qreal cx) {
  Fill(painter, QRectF(cx + 20, 3, 4, 12), kBody, 2);          // 4G antenna
  Fill(painter, QRectF(cx - 31, 12, 62, 42), kPcb, 3);
  for (qreal x : {cx - 26.5, cx + 26.5}) {                       // mounting holes
    for (qreal y : {17.0, 49.0}) {
      Dot(painter, QPointF(x, y), 2.4, kPcbLight);
      Dot(painter, QPointF(x, y), 1.1, kPcbDark);
    }
  }

  // Traces from the chip to the pads on the left and the header on the right.
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(kTrace, 1.2));
  for (int i = 0; i < 4; ++i) {
    const qreal y = 25.5 + i * 5;
    painter.drawLine(QPointF(cx - 20, y), QPointF(cx - 14, y));
    painter.drawLine(QPointF(cx + 14, y), QPointF(cx + 21, y));
  }
  for (int i = 0; i < 4; ++i) Dot(painter, QPointF(cx - 20.5, 25.5 + i * 5), 1.5, kTrace);

  // The chip, a flat package with pins on four sides.
  for (int i = 0; i < 4; ++i) {
    const qreal along = -7.5 + i * 5;
    Fill(painter, QRectF(cx - 14, kLinkY + along - 0.75, 3, 1.5), kMetal);
    Fill(painter, QRectF(cx + 11, kLinkY + along - 0.75, 3, 1.5), kMetal);
    Fill(painter, QRectF(cx + along - 0.75, kLinkY - 14, 1.5, 3), kMetal);
    Fill(painter, QRectF(cx + along - 0.75, kLinkY + 11, 1.5, 3), kMetal);
  }
  Fill(painter, QRectF(cx - 11, kLinkY - 11, 22, 22), kChip, 1.5);
  Dot(painter, QPointF(cx - 7, kLinkY - 7), 1.3, QColor(0x75, 0x75, 0x75));

  // The serial header at the right edge, and a status LED.
  Fill(painter, QRectF(cx + 21, 22, 6, 22), kChip, 1);
  for (int i = 0; i < 3; ++i) Fill(painter, QRectF(cx + 22.5, 24.5 + i * 6.5, 3, 3), kTrace);
  Dot(painter, QPointF(cx - 20.5, 46), 1.8, kLedGreen);
}

void DrawSerialDevice(QPainter& painter, qreal cx) {
  // D-sub connector facing the serial link on the left.
  painter.setPen(Qt::NoPen);
  painter.setBrush(kMetal);
  painter.drawPolygon(QPolygonF{{cx - 20, 23}, {cx - 25, 25}, {cx - 25, 41}, {cx - 20, 43}});
  Fill(painter, QRectF(cx - 20, 12, 42, 42), kBody, 4);
  Fill(painter, QRectF(cx - 15, 17, 32, 13), kLcd, 1.5);
  for (int i = 0; i < 3; ++i) {                                  // a reading on the display
    Fill(painter, QRectF(cx - 11 + i * 9, 20, 6, 1.6), kLcdInk);
    Fill(painter, QRectF(cx - 11 + i * 9, 22.7, 6, 1.6), kLcdInk);
    Fill(painter, QRectF(cx - 11 + i * 9, 25.4, 6, 1.6), kLcdInk);
  }
  for (int i = -1; i <= 1; ++i) Dot(painter, QPointF(cx + 1 + i * 9, 40), 3, kMetal);
  Dot(painter, QPointF(cx - 13, 48), 1.6, kLedGreen);
  Fill(painter, QRectF(cx - 8, 47, 23, 2), kBodyLight, 1);       // vent
}

}  // namespace

std::optional<WorkModePictureId> ParseWorkModePictureName(const std::string& resourceName) {
  static constexpr std::array<std::pair<const char*, WorkModePictureId>, 6> kNames{{
      {"NET_CN", {WorkModePictureKind::kNet, true}},
      {"NET_EN", {WorkModePictureKind::kNet, false}},
      {"HTTP_CN", {WorkModePictureKind::kHttp, true}},
      {"HTTP_EN", {WorkModePictureKind::kHttp, false}},
      {"SMS_CN", {WorkModePictureKind::kSms, true}},
      {"SMS_EN", {WorkModePictureKind::kSms, false}},
  }};
  for (const auto& [name, id] : kNames) {
    if (EqualsIgnoringAsciiCase(resourceName, name)) return id;
  }
  return std::nullopt;
}

QPixmap DrawWorkModePicture(WorkModePictureId id, qreal devicePixelRatio) {
  if (!(devicePixelRatio > 0)) devicePixelRatio = 1.0;
  const QSize pixels(qRound(kWorkModePictureWidth * devicePixelRatio),
                     qRound(kWorkModePictureHeight * devicePixelRatio));
  QPixmap picture(pixels);
  picture.setDevicePixelRatio(devicePixelRatio);
  picture.fill(kBackground);

  QPainter painter(&picture);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  const Labels& text = kLabels[static_cast<size_t>(id.kind)][id.chinese ? 1 : 0];
  const bool cn = id.chinese;

  Reach peerReach{};
  Reach networkReach{};
  switch (id.kind) {
    case WorkModePictureKind::kNet:
      DrawPc(painter, kPeer.cx);
      DrawCloud(painter, kNetwork.cx);
      peerReach = kPcReach;
      networkReach = kCloudReach;
      break;
    case WorkModePictureKind::kHttp:
      DrawServer(painter, kPeer.cx);
      DrawCloud(painter, kNetwork.cx);
      peerReach = kServerReach;
      networkReach = kCloudReach;
      break;
    case WorkModePictureKind::kSms:
      DrawPhone(painter, kPeer.cx);
      DrawTower(painter, kNetwork.cx);
      peerReach = kPhoneReach;
      networkReach = kTowerReach;
      break;
  }
  DrawBoard(painter, kTerminal.cx);
  DrawSerialDevice(painter, kDevice.cx);

  DrawLink(painter, kPeer.cx + peerReach.right, kNetwork.cx - networkReach.left, text.link, cn);
  DrawLink(painter, kNetwork.cx + networkReach.right, kTerminal.cx - kBoardReach.left, text.link, cn);
  DrawLink(painter, kTerminal.cx + kBoardReach.right, kDevice.cx - kDeviceReach.left, text.serialLink, cn);

  DrawStationLabel(painter, kPeer, text.peer, cn);
  DrawStationLabel(painter, kNetwork, text.network, cn);
  DrawStationLabel(painter, kTerminal, text.terminal, cn);
  DrawStationLabel(painter, kDevice, text.device, cn);
  return picture;
}

namespace {

// Drawn pictures by (kind, language, ratio in hundredths). The cache lives in
// this function-local static rather than in an owner object because it holds
// nothing but the output of a pure drawing function: serving a picture from it
// or drawing it anew gives the same pixels, so no behaviour depends on it. It
// is emptied when the application object goes (QPixmap must not outlive it);
// a later application object fills it anew.
using PictureKey = std::tuple<int, bool, int>;

std::map<PictureKey, QPixmap>& PictureCache() {
  static std::map<PictureKey, QPixmap> cache;
  return cache;
}

}  // namespace

QPixmap WorkModePicture(const std::string& resourceName, qreal devicePixelRatio) {
  const std::optional<WorkModePictureId> id = ParseWorkModePictureName(resourceName);
  if (!id) return QPixmap();
  if (!(devicePixelRatio > 0)) devicePixelRatio = 1.0;
  const PictureKey key(static_cast<int>(id->kind), id->chinese, qRound(devicePixelRatio * 100));
  auto& cache = PictureCache();
  auto it = cache.find(key);
  if (it == cache.end()) {
    if (cache.empty()) qAddPostRoutine([] { PictureCache().clear(); });
    it = cache.emplace(key, DrawWorkModePicture(*id, devicePixelRatio)).first;
  }
  return it->second;
}

}  // namespace t418
