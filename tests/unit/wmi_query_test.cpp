#include "sensors/wmi_query.h"

#include <gtest/gtest.h>

#include <climits>

#include "standins/memory/memory_management_service.h"
#include "tests/unit/fixture_text.h"

namespace veltar {
namespace {

constexpr HRESULT kChangedMode = static_cast<HRESULT>(0x80010106u);  // RPC_E_CHANGED_MODE

constexpr std::string_view kThreeObjects = R"(
wmi root\WMI Sample
object
Zeta = VT_I4 1
Alpha = VT_BSTR first
object
Zeta = VT_I4 2
Alpha = VT_NULL
object
Zeta = VT_I4 3
Alpha = VT_BSTR third
)";

using Values = std::vector<std::u16string>;

// One query on connections of its own, released after it.
HRESULT Query(PropertyTable& table, MemoryManagementService& service, std::u16string_view query = u"SELECT * FROM Sample",
              std::u16string_view nameSpace = u"root\\WMI") {
    WmiConnections connections(service);
    return QueryWmiProperties(table, query, nameSpace, u"WQL", connections);
}

class WmiQuery : public ::testing::Test {
protected:
    void ExpectEverythingReleased(const MemoryManagementService& service) {
        EXPECT_EQ(service.liveHandles, 0);
        EXPECT_EQ(service.comDepth, 0);
    }
};

TEST_F(WmiQuery, CollectsEveryPropertyOfEveryObjectInKeyOrder) {
    MemoryManagementService service(FixtureFrom(kThreeObjects));
    PropertyTable table;
    EXPECT_EQ(Query(table, service), S_FALSE);  // the final Next reports the end
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.begin()->first, u"Alpha");
    EXPECT_EQ(table[u"Alpha"], (Values{u"first", u"", u"third"}));  // null gives the empty text
    EXPECT_EQ(table[u"Zeta"], (Values{u"1", u"2", u"3"}));
    ExpectEverythingReleased(service);
}

TEST_F(WmiQuery, KeysOrderByUnsignedCodeUnitsWithPrefixesFirst) {
    MemoryManagementService service(FixtureFrom(R"(
wmi root\WMI Sample
object
ab = VT_I4 1
a = VT_I4 2
B = VT_I4 3
)"));
    PropertyTable table;
    Query(table, service);
    std::vector<std::u16string> keys;
    for (const auto& entry : table) keys.push_back(entry.first);
    EXPECT_EQ(keys, (std::vector<std::u16string>{u"B", u"a", u"ab"}));
}

TEST_F(WmiQuery, RendersOtherTypesAndCutsTextsAtNul) {
    MemoryManagementService service(FixtureFrom(R"(
wmi root\WMI Sample
object
Smart = VT_ARRAY|VT_UI1 10, 0x1F
Zero = VT_UI1 0
Letter = VT_UI1 0x41
)"));
    PropertyTable table;
    Query(table, service);
    EXPECT_EQ(table[u"Smart"], (Values{u"[0x0A,0x1F]"}));
    EXPECT_EQ(table[u"Zero"], (Values{u""}));  // a leading NUL leaves nothing
    EXPECT_EQ(table[u"Letter"], (Values{u"A(0x41)"}));
}

TEST_F(WmiQuery, NoObjectsLeaveAnEmptyTableEmpty) {
    MemoryManagementService service(FixtureFrom("wmi root\\WMI Other\n"));
    PropertyTable table;
    Query(table, service);
    EXPECT_TRUE(table.empty());
    ExpectEverythingReleased(service);
}

TEST_F(WmiQuery, AFailedReadKeepsTheListsAlignedAndIsReportedOnce) {
    MemoryServiceFaults faults;
    faults.readsFailOn.insert({1, u"Alpha"});
    MemoryManagementService service(FixtureFrom(kThreeObjects), faults);
    PropertyTable table;
    testing::internal::CaptureStdout();
    Query(table, service);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Failed to get the data from the query  Error code = 0x80004005\n");
    EXPECT_EQ(table[u"Alpha"], (Values{u"first", u"", u"third"}));
    EXPECT_EQ(table[u"Zeta"], (Values{u"1", u"2", u"3"}));
}

TEST_F(WmiQuery, ObjectsBeforeTheNamesContributeNothing) {
    MemoryServiceFaults faults;
    faults.namesFailOn.insert(0);
    MemoryManagementService service(FixtureFrom(kThreeObjects), faults);
    PropertyTable table;
    Query(table, service);
    EXPECT_EQ(table[u"Zeta"], (Values{u"2", u"3"}));
    ExpectEverythingReleased(service);
}

// Property names whose array sits at either end of the index range: a query
// over them ends, having read each name at most once.
TEST_F(WmiQuery, NamesAtTheEndsOfTheIndexRangeAreReadAtMostOnceAndTheQueryEnds) {
    MemoryServiceFaults last;
    last.namesLowerBound = INT32_MAX;
    MemoryManagementService oneName(FixtureFrom("wmi root\\WMI Sample\nobject\nZeta = VT_I4 1\n"), last);
    PropertyTable table;
    Query(table, oneName);
    // The platform may refuse to address an element at the last index; where it does not, the name is read.
    EXPECT_TRUE(table.empty() || table == (PropertyTable{{u"Zeta", {u"1"}}}));
    ExpectEverythingReleased(oneName);

    // An empty array starting at the lowest index has an upper bound that wraps to the highest.
    MemoryServiceFaults first;
    first.namesLowerBound = INT32_MIN;
    MemoryManagementService noNames(FixtureFrom("wmi root\\WMI Sample\nobject\nobject\n"), first);
    table.clear();
    Query(table, noNames);
    EXPECT_TRUE(table.empty());
    ExpectEverythingReleased(noNames);
}

TEST_F(WmiQuery, ASecondRunAppendsAndKeysAlreadyPresentAreReadFromEveryObject) {
    MemoryManagementService service(FixtureFrom(kThreeObjects));
    PropertyTable table{{u"Absent", {u"kept"}}};
    testing::internal::CaptureStdout();
    Query(table, service);
    Query(table, service);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(table[u"Zeta"], (Values{u"1", u"2", u"3", u"1", u"2", u"3"}));
    EXPECT_EQ(table[u"Absent"], (Values{u"kept", u"", u"", u"", u"", u"", u""}));
    std::string expected;
    for (int i = 0; i < 6; ++i) expected += "Failed to get the data from the query  Error code = 0x80041002\n";
    EXPECT_EQ(out, expected);
    ExpectEverythingReleased(service);
}

TEST_F(WmiQuery, FailuresBeforeTheEnumerationChangeNothingAndReleaseEverything) {
    struct Case {
        const char* what;
        MemoryServiceFaults faults;
        std::u16string nameSpace;
        HRESULT expected;
    };
    MemoryServiceFaults locator, connect, query;
    locator.createLocator = static_cast<HRESULT>(0x80040154u);
    connect.connect = static_cast<HRESULT>(0x80041003u);
    query.execQuery = static_cast<HRESULT>(0x80041017u);
    const Case cases[] = {
        {"locator", locator, u"root\\WMI", locator.createLocator},
        {"connect", connect, u"root\\WMI", connect.connect},
        {"query", query, u"root\\WMI", query.execQuery},
        {"unknown namespace", {}, u"root\\nowhere", static_cast<HRESULT>(0x8004100Eu)},
    };
    for (const Case& c : cases) {
        MemoryManagementService service(FixtureFrom(kThreeObjects), c.faults);
        PropertyTable table{{u"Kept", {u"x"}}};
        EXPECT_EQ(Query(table, service, u"SELECT * FROM Sample", c.nameSpace), c.expected) << c.what;
        EXPECT_EQ(table, (PropertyTable{{u"Kept", {u"x"}}})) << c.what;
        EXPECT_EQ(service.liveHandles, 0) << c.what;
        EXPECT_EQ(service.comDepth, 0) << c.what;
    }
}

TEST_F(WmiQuery, LeavesTheCallersComSetUpAloneWhenItsOwnInitialisationFails) {
    MemoryServiceFaults faults;
    faults.initializeCom = kChangedMode;
    MemoryManagementService service(FixtureFrom(kThreeObjects), faults);
    PropertyTable table;
    Query(table, service);
    EXPECT_EQ(service.comDepth, 0);  // no CoUninitialize without its own CoInitializeEx
    EXPECT_EQ(table[u"Zeta"].size(), 3u);
}

}  // namespace
}  // namespace veltar
