#ifndef SSLERRORHANDLER_H
#define SSLERRORHANDLER_H

#include <QList>
#include <QSslError>
#include <QStringList>

#include <functional>

class QWidget;

// Decides whether a secure connection to the server goes on despite
// certificate errors. Certificates are verified: errors pass only when the
// user accepted this very certificate for this server earlier in the run, or
// accepts it now through the handler of the request that met them.
class SslErrorHandler
{
public:
    virtual ~SslErrorHandler();

    // Shows the error texts to the user; true when the user accepts them.
    virtual bool askUser(const QStringList &errorTexts) = 0;

    // True when the connection is to ignore `errors`. The handler may be null:
    // then only certificates accepted before pass.
    static bool handleSslErrors(SslErrorHandler *handler, const QList<QSslError> &errors);

    // The texts shown for `errors`, in order.
    static QStringList errorTexts(const QList<QSslError> &errors);

    // Told before the error texts when the server shows another certificate
    // than the one accepted for it: both SHA-256 fingerprints.
    static QString certificateChangedText(const QByteArray &acceptedDigest, const QByteArray &newDigest);
    // Whether `errors` are about another certificate than the one accepted
    // for the server.
    static bool isCertificateChanged(const QList<QSslError> &errors);
    // The failure of a connection refused over a changed certificate: the
    // change first, then the connection's own text.
    static QString refusedChangedCertificateText(const QString &failure);
    // A SHA-256 digest as colon-separated hex pairs, on two lines of sixteen.
    static QString fingerprint(const QByteArray &digest);

    // Makes the handler a run asks through, over the run's window (may be
    // null). The window layer sets the maker at start-up; without one none is
    // made, and only certificates accepted before pass.
    using Maker = std::function<SslErrorHandler *(QWidget *window)>;
    static void setMaker(Maker maker);
    static SslErrorHandler *make(QWidget *window);
};

#endif
