#pragma once
// Tests of the data that run on both engines: a fixture parameterised by Engine, each test
// with a provisioned data directory whose data database is the local file or a fresh
// database on the test server.
#include "support/TestDataDir.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

// In a test or a fixture's SetUp: skips it when no test server was started, or fails it when
// QUILLON_REQUIRE_SERVER says that the server tests must run.
#define QUILLON_NEEDS_TEST_SERVER()                                                                \
    if (!testserver::address()) {                                                                  \
        if (testserver::required())                                                                \
            FAIL() << "QUILLON_TEST_SERVER names no server";                                       \
        GTEST_SKIP() << "no test server (scripts/test starts one)";                                \
    }

class EngineTest : public ::testing::TestWithParam<Engine>
{
protected:
    void SetUp() override
    {
        if (GetParam() == Engine::Server) {
            QUILLON_NEEDS_TEST_SERVER();
        }
        m_dir.emplace(GetParam());
    }
    void TearDown() override { m_dir.reset(); }

    TestDataDir &dir() { return *m_dir; }
    bool onServer() const { return GetParam() == Engine::Server; }

private:
    std::optional<TestDataDir> m_dir;
};

// Runs every test of suite (derived from EngineTest) on the local file and on the server.
#define QUILLON_ON_BOTH_ENGINES(suite)                                                             \
    INSTANTIATE_TEST_SUITE_P(Engines, suite, ::testing::Values(Engine::Local, Engine::Server),     \
                             [](const ::testing::TestParamInfo<Engine> &info) { return std::string(engineName(info.param)); })
