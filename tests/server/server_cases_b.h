#pragma once
// The method, session and storage tests' common ground: the demo server fixture of
// server_cases_a.h with the names those tests use, and suites over a bare database
// (ScratchDatabase) run on every engine available.
//
//   class ServiceMethodsTest : public DemoServerTest {};
//   COT_ON_EVERY_BACKEND(ServiceMethodsTest);
//   class StorageTest : public ::testing::TestWithParam<std::string> {...};
//   COT_ON_EVERY_ENGINE(StorageTest);
#include "rpc/net_connection.h"
#include "server_cases_a.h"
#include "support/packet_cells.h"
#include "test_storage_engines.h"

using namespace cot::testing;

#define COT_ON_EVERY_ENGINE(Suite)                                                                   \
    INSTANTIATE_TEST_SUITE_P(Engines, Suite, ::testing::ValuesIn(cot::server::testing::engines()), \
                             cot::server::testing::engineName)
