// The program's pictures, kept as resources of the shell library.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace nimbo::shell {

QPixmap SplashPicture();   // the start-up window's picture
QPixmap AboutLogo();       // 360 x 120, the about box's logo
QPixmap FlasherPicture();  // the firmware flasher window's decoration
QIcon ProgramIcon();       // every window's icon: 48, 128 and 256 pixels

}  // namespace nimbo::shell
