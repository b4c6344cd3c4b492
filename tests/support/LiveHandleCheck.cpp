// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstddef>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/HandleTable.h"

// Fails a case that ends with more live drawing handles than it started with: a bitmap, context
// or image list that nothing deletes is a leak no sanitizer sees, since the table owns it.
namespace {

class LiveHandleCheck : public testing::EmptyTestEventListener {
    // The bitmap every context starts with is made at its first use and lives for the program.
    void OnTestProgramStart(const testing::UnitTest&) override { gdi::StockBitmap(); }
    void OnTestStart(const testing::TestInfo&) override {
        m_AtStart = gdi::HandleTable::LiveCount();
    }
    void OnTestEnd(const testing::TestInfo&) override {
        const std::size_t atEnd = gdi::HandleTable::LiveCount();
        EXPECT_LE(atEnd, m_AtStart) << atEnd - m_AtStart << " drawing handles left alive";
    }
    std::size_t m_AtStart = 0;
};

// Registered before any case runs; the listener list owns it.
const bool registered = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new LiveHandleCheck);
    return true;
}();

}  // namespace
