#pragma once
// The six pictures of imgWkMod in the parameter view: one strip per work mode
// and window language that shows the data path from left to right, the peer,
// its link, the network, the link to the terminal, the terminal (a circuit
// board, "M2M device"), the serial link and the serial device.
//
// The pictures are not image files: they are drawn here with QPainter, so the
// drawing code is their source and they are compiled into the program. They
// are known by the resource names the window asks for, "NET_CN", "NET_EN",
// "HTTP_CN", "HTTP_EN", "SMS_CN" and "SMS_EN", matched without regard to case.
#include <QPixmap>
#include <QSize>

#include <optional>
#include <string>

namespace t418 {

// Size of every picture in device-independent pixels.
inline constexpr int kWorkModePictureWidth = 534;
inline constexpr int kWorkModePictureHeight = 90;
inline constexpr QSize kWorkModePictureSize{kWorkModePictureWidth, kWorkModePictureHeight};

// What a picture shows: the peer and link of the mode, and the language of its labels.
enum class WorkModePictureKind { kNet, kHttp, kSms };

struct WorkModePictureId {
  WorkModePictureKind kind = WorkModePictureKind::kNet;
  bool chinese = false;
};

// The picture a resource name stands for ("Net_cn" is NET_CN); nothing for an
// unknown name.
std::optional<WorkModePictureId> ParseWorkModePictureName(const std::string& resourceName);

// Draws one picture anew, kWorkModePictureSize logical pixels on the given
// device pixel ratio (the pixmap has ratio times as many real pixels and
// carries the ratio). Needs a QGuiApplication.
QPixmap DrawWorkModePicture(WorkModePictureId id, qreal devicePixelRatio = 1.0);

// The picture of a resource name, or a null pixmap for an unknown name. Each
// picture is drawn once per device pixel ratio and then served from a cache.
// Call it on the GUI thread only (as every QPixmap use).
QPixmap WorkModePicture(const std::string& resourceName, qreal devicePixelRatio = 1.0);

}  // namespace t418
