#include "ui/Pictures.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>

namespace Pictures {

namespace {
std::string g_bitmapFolder;
}  // namespace

std::string bitmapPath(const std::string& fileName) {
    const std::string folder = g_bitmapFolder.empty()
                                   ? QCoreApplication::applicationDirPath().toStdString() + "/BitMaps"
                                   : g_bitmapFolder;
    return folder + "/" + fileName;
}

void setBitmapFolder(const std::string& folder) { g_bitmapFolder = folder; }

void loadPicture(QLabel* label, const std::string& fileName) {
    if (!label) return;
    QPixmap picture;
    const QString path = QString::fromStdString(bitmapPath(fileName));
    if (QFileInfo(path).isFile()) picture.load(path);
    if (picture.isNull())
        label->clear();
    else
        label->setPixmap(picture);
}

}  // namespace Pictures
