#include "sync/requests/sslerrorhandler.h"

#include "core/serversettings.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QSslCertificate>

SslErrorHandler::~SslErrorHandler() = default;

QStringList SslErrorHandler::errorTexts(const QList<QSslError> &errors)
{
    QStringList texts;
    texts.reserve(errors.size());
    for (const QSslError &error : errors)
        texts.append(error.errorString());
    return texts;
}

QString SslErrorHandler::fingerprint(const QByteArray &digest)
{
    // Sixteen bytes a line: "AB:" each, the line's last colon left out.
    const QString hex = QString::fromLatin1(digest.toHex(':').toUpper());
    const qsizetype lineLength = 16 * 3;
    if (hex.size() < lineLength)
        return hex;
    return hex.left(lineLength - 1) + QLatin1Char('\n') + hex.mid(lineLength);
}

namespace {

QString changedSentence()
{
    return QCoreApplication::translate("SslErrorHandler", "The server's certificate has changed since you accepted it.");
}

// The certificate the errors are about, as a digest; empty when none says.
QByteArray certificateDigest(const QList<QSslError> &errors)
{
    for (const QSslError &error : errors) {
        if (!error.certificate().isNull())
            return error.certificate().digest(QCryptographicHash::Sha256);
    }
    return QByteArray();
}

} // namespace

QString SslErrorHandler::certificateChangedText(const QByteArray &acceptedDigest, const QByteArray &newDigest)
{
    return changedSentence() + QStringLiteral("\n\n")
        + QCoreApplication::translate("SslErrorHandler",
                                      "Accepted certificate (SHA-256):\n%1\n\n"
                                      "Certificate now (SHA-256):\n%2")
              .arg(fingerprint(acceptedDigest), fingerprint(newDigest));
}

bool SslErrorHandler::isCertificateChanged(const QList<QSslError> &errors)
{
    const QByteArray digest = certificateDigest(errors);
    const QList<QByteArray> accepted = ServerSettings::instance()->acceptedCertificateDigests();
    return !digest.isEmpty() && !accepted.isEmpty() && !accepted.contains(digest);
}

QString SslErrorHandler::refusedChangedCertificateText(const QString &failure)
{
    return changedSentence() + QLatin1Char(' ') + failure;
}

bool SslErrorHandler::handleSslErrors(SslErrorHandler *handler, const QList<QSslError> &errors)
{
    // The "-noignoresslerrors" option is still accepted on the command line,
    // but accepting every certificate by default would hand the credentials,
    // the user's data and the installer to anyone on the path: the policy
    // always verifies.
    ServerSettings *settings = ServerSettings::instance();
    if (settings->areSslErrorsIgnorable(errors))
        return true;
    if (!handler)
        return false;
    QStringList texts = errorTexts(errors);
    // A user who accepted one certificate for this server must not take
    // another for the same question.
    if (isCertificateChanged(errors))
        texts.prepend(certificateChangedText(settings->acceptedCertificateDigests().last(), certificateDigest(errors)));
    if (!handler->askUser(texts))
        return false;
    settings->addIgnorableSslErrors(errors);
    return true;
}

namespace {

SslErrorHandler::Maker &maker()
{
    static SslErrorHandler::Maker instance;
    return instance;
}

} // namespace

void SslErrorHandler::setMaker(Maker maker)
{
    ::maker() = std::move(maker);
}

SslErrorHandler *SslErrorHandler::make(QWidget *window)
{
    return maker() ? maker()(window) : nullptr;
}
