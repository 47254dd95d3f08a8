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

void warn(const QString &path, const char *what)
{
    qWarning().noquote() << "could not make the settings file" << path << "private:" << what
                         << QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

void SettingsFile::keepPrivate()
{
    const QString file = QSettings().fileName();
    QDir().mkpath(QFileInfo(file).absolutePath());
    const QByteArray name = QFile::encodeName(file);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    struct stat st;
    if (errno != EEXIST)
        warn(file, "creating it");
    else if (::stat(name.constData(), &st) != 0)
        warn(file, "reading its permissions");
    else if ((st.st_mode & 077) != 0 && ::chmod(name.constData(), st.st_mode & 0700) != 0)
        warn(file, "changing its permissions");
}
