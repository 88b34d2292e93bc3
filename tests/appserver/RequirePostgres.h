#pragma once

#include "PostgresInstance.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

// Declares `pg`, the PostgreSQL shared by the test program. Skips the test when PostgreSQL is
// not installed; fails it when it is installed but does not start. pg is the name declared,
// which no parentheses can hold.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define REQUIRE_POSTGRES(pg)                                                                       \
    PostgresInstance *pg = PostgresInstance::shared();                                             \
    if (!pg) {                                                                                     \
        if (PostgresInstance::unavailableReason().isEmpty())                                       \
            FAIL() << "PostgreSQL did not start: " << PostgresInstance::sharedError();             \
        GTEST_SKIP() << PostgresInstance::unavailableReason();                                     \
    }
// NOLINTEND(bugprone-macro-parentheses)
