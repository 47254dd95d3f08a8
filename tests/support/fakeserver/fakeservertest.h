#ifndef FAKESERVERTEST_H
#define FAKESERVERTEST_H

// Qt Test helpers for tests that run against FakeServer (header only: the
// fake server library itself does not link Qt Test).

#include "fakeserver.h"

#include <QtTest>

// Fails the current test when the server recorded violations the test did not
// announce with FakeServer::expectViolation. Use it in cleanup() or at the end
// of each test function.
#define PLUMDECK_VERIFY_NO_VIOLATIONS(server)                                        \
    do {                                                                             \
        const QStringList plumdeckViolations_ = (server).unexpectedViolations();     \
        QVERIFY2(plumdeckViolations_.isEmpty(),                                      \
                 qPrintable(QStringLiteral("fake server violations:\n  ")           \
                            + plumdeckViolations_.join(QStringLiteral("\n  "))));   \
    } while (false)

// A FakeServer that fails the running test when it is destroyed with
// violations nobody expected, so a test cannot forget the check. Destroy it
// inside the test function or in cleanup() (a member deleted in cleanup(),
// or a local of the test function).
class CheckedFakeServer : public FakeServer
{
public:
    explicit CheckedFakeServer(Transport transport = Plain, QObject *parent = nullptr)
        : FakeServer(transport, parent)
    {
    }
    ~CheckedFakeServer() override
    {
        const QStringList unexpected = unexpectedViolations();
        if (!unexpected.isEmpty() && !QTest::currentTestFailed() && QTest::currentTestFunction())
            QTest::qFail(qPrintable(QStringLiteral("fake server violations:\n  ")
                                    + unexpected.join(QStringLiteral("\n  "))),
                         __FILE__, __LINE__);
    }
};

#endif
