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

#endif
