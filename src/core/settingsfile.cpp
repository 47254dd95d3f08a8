#include "core/settingsfile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool warn(const QString &path, const char *what)
{
    qWarning().noquote() << "could not make the settings file" << path << "private:" << what
                         << QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

} // namespace

QString SettingsFile::path()
{
    return QSettings().fileName();
}

bool SettingsFile::keepPrivate()
{
    const QString file = path();
    QDir().mkpath(QFileInfo(file).absolutePath());
    const QByteArray name = QFile::encodeName(file);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno != EEXIST)
        return warn(file, "creating it");
    struct stat st;
    if (::stat(name.constData(), &st) != 0)
        return warn(file, "reading its permissions");
    if ((st.st_mode & 077) == 0)
        return true;
    if (::chmod(name.constData(), st.st_mode & 0700) != 0)
        return warn(file, "changing its permissions");
    return true;
}
