#include "sync/sslerrorhandler.h"

#include "core/serversettings.h"

SslErrorHandler::~SslErrorHandler() = default;

QStringList SslErrorHandler::errorTexts(const QList<QSslError> &errors)
{
    QStringList texts;
    texts.reserve(errors.size());
    for (const QSslError &error : errors)
        texts.append(error.errorString());
    return texts;
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
    if (!handler->askUser(errorTexts(errors)))
        return false;
    settings->addIgnorableSslErrors(errors);
    return true;
}
