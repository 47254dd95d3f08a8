#ifndef FAKESERVERTESTS_H
#define FAKESERVERTESTS_H

// Documents, probes and checks shared by the fake server's own tests.

#include "fakeserver.h"
#include "fakeserverprobe.h"

#include <QtTest>

// A request document as the client writes it.
inline QByteArray clientDoc(const QByteArray &title, const QByteArray &body)
{
    return "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
           "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n <head>\n  <title>" + title
           + "</title>\n  <meta name=\"generator\" content=\"PlumDeck\"/>\n </head>\n <body>\n" + body
           + "\n </body>\n</html>\n";
}

inline QByteArray sharedUser(const QByteArray &name, const QByteArray &letters)
{
    return "<li class=\"pd-shared-user\"><dl class=\"pd-shared-user-fields\"><dt>name</dt><dd>" + name
           + "</dd><dt>permissions</dt><dd>" + letters + "</dd></dl></li>";
}

inline QByteArray chatDoc(const QByteArray &nicks)
{
    QByteArray refs;
    for (const QByteArray &nick : nicks.split(' '))
        refs += "<li class=\"pd-user-ref\"><span class=\"pd-user-nick\">" + nick + "</span></li>";
    return clientDoc("pd-chat", "<div class=\"pd-chat-data\"><ul class=\"pd-user-ref-list\">" + refs + "</ul></div>");
}

// A probe signed in as someone other than the default user.
struct ProbeAs : FakeServerProbe
{
    ProbeAs(const FakeServer &server, const QString &name, const QString &secret) : FakeServerProbe(server)
    {
        user = name;
        password = secret;
    }
};

// Exactly one violation was recorded and it names `text`; it is then
// forgotten so that teardown passes.
inline void takeOneViolation(FakeServer &server, const QString &text)
{
    QCOMPARE(server.violations().size(), 1);
    QVERIFY2(server.violations().first().contains(text), qPrintable(server.violations().first()));
    server.clearViolations();
}

// Teardown of a test function's server: it must have seen no violation the
// test did not announce.
inline void dropServer(FakeServer *&server)
{
    const QStringList unexpected = server->unexpectedViolations();
    delete server;
    server = nullptr;
    if (!QTest::currentTestFailed())
        QVERIFY2(unexpected.isEmpty(), qPrintable(QStringLiteral("fake server violations:\n  ")
                                                  + unexpected.join(QStringLiteral("\n  "))));
}

#endif
