#include "shell/Artwork.h"

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitShellArtwork() {
  Q_INIT_RESOURCE(artwork);
}

namespace nimbo::shell {
namespace {

QPixmap Load(const char* path) {
  static const bool initialised = [] {
    InitShellArtwork();
    return true;
  }();
  static_cast<void>(initialised);
  return QPixmap(QString::fromLatin1(path));
}

}  // namespace

QPixmap SplashPicture() {
  return Load(":/nimbo/splash.png");
}
QPixmap AboutLogo() {
  return Load(":/nimbo/about-logo.png");
}
QPixmap FlasherPicture() {
  return Load(":/nimbo/flasher.png");
}

QIcon ProgramIcon() {
  QIcon icon;
  for (const char* path : {":/nimbo/icon-48.png", ":/nimbo/icon-128.png", ":/nimbo/icon-256.png"}) {
    icon.addPixmap(Load(path));
  }
  return icon;
}

}  // namespace nimbo::shell
