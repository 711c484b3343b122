// The three quicksorts and the shared exchange order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "appdata/utilities_arrays.h"
#include "runtime/convert.h"
#include "runtime/error.h"

using namespace nuvir;
namespace MU = nuvir::MUtilities;

namespace {

// A 2 x n table: row 0 the keys, row 1 the item names; columns from lower on.
Variant KeyedColumns(const std::vector<double>& keys, const std::string& items, std::int32_t lower = 0) {
    const auto n = static_cast<std::int32_t>(keys.size());
    Variant t = Variant::MakeArray(VarType::Generic, {{0, 1}, {lower, lower + n - 1}});
    for (std::int32_t j = 0; j < n; ++j) {
        t(0, lower + j) = keys[static_cast<std::size_t>(j)];
        t(1, lower + j) = std::string(1, items[static_cast<std::size_t>(j)]);
    }
    return t;
}

std::string ItemsOfColumns(const Variant& t) {
    std::string s;
    for (std::int32_t j = t.lbound(2); j <= t.ubound(2); ++j) s += CStr(t(1, j));
    return s;
}

// The same table laid out as rows: column 0 the key, column 1 the item.
Variant KeyedRows(const std::vector<double>& keys, const std::string& items, std::int32_t lower = 0) {
    const auto n = static_cast<std::int32_t>(keys.size());
    Variant t = Variant::MakeArray(VarType::Generic, {{lower, lower + n - 1}, {0, 1}});
    for (std::int32_t i = 0; i < n; ++i) {
        t(lower + i, 0) = keys[static_cast<std::size_t>(i)];
        t(lower + i, 1) = std::string(1, items[static_cast<std::size_t>(i)]);
    }
    return t;
}

std::string ItemsOfRows(const Variant& t) {
    std::string s;
    for (std::int32_t i = t.lbound(1); i <= t.ubound(1); ++i) s += CStr(t(i, 1));
    return s;
}

// The recursive form of the sort, transcribed step by step, to compare the exchange
// sequence of the explicit-stack version against.
void RecursiveReference(std::vector<double>& key, std::int32_t low, std::int32_t high,
                        std::vector<std::pair<int, int>>& log) {
    if (high <= low) return;
    auto swap = [&](std::int32_t p, std::int32_t q) {
        log.emplace_back(p, q);
        std::swap(key[static_cast<std::size_t>(p)], key[static_cast<std::size_t>(q)]);
    };
    std::int32_t i = low - 1, k = high;
    for (;;) {
        do ++i;
        while (key[static_cast<std::size_t>(i)] < key[static_cast<std::size_t>(high)]);
        do --k;
        while (k > low && key[static_cast<std::size_t>(k)] > key[static_cast<std::size_t>(high)]);
        swap(i, k);
        if (k <= i) break;
    }
    swap(i, k);
    swap(i, high);
    RecursiveReference(key, low, i - 1, log);
    RecursiveReference(key, i + 1, high, log);
}

}  // namespace

TEST(UtilitiesSort, EqualKeysEndInTheDocumentedOrder) {
    Variant cols = KeyedColumns({2, 1, 2, 1}, "ABCD");
    MU::QuickSortColumnsByRow(cols, 0, 0, 3);
    EXPECT_EQ(ItemsOfColumns(cols), "BDAC");

    Variant rows = KeyedRows({2, 1, 2, 1}, "ABCD", 1);
    MU::QuickSortRowsByColumn(rows, 0, 1, 4);
    EXPECT_EQ(ItemsOfRows(rows), "BDAC");

    Variant three = KeyedColumns({5, 5, 5}, "ABC", 1);
    MU::QuickSortColumnsByRow(three, 0, 1, 3);
    EXPECT_EQ(ItemsOfColumns(three), "BCA");

    Variant threeRows = KeyedRows({5, 5, 5}, "ABC");
    MU::QuickSortRowsByColumn(threeRows, 0, 0, 2);
    EXPECT_EQ(ItemsOfRows(threeRows), "BCA");
}

TEST(UtilitiesSort, ListSortOrdersEqualValuesOfDifferentKinds) {
    // Equal numbers held in different kinds show where each one went: A = 2 (Int32),
    // B = 1 (Int16), C = 2 (Double), D = 1 (Single) end as B, D, A, C.
    Variant list = Variant::List({Variant(2), Variant(std::int16_t{1}), Variant(2.0), Variant(1.0f)});
    MU::QuickSort1D(list, 0, 3);
    EXPECT_EQ(list(0).type(), VarType::Int16);
    EXPECT_EQ(list(1).type(), VarType::Single);
    EXPECT_EQ(list(2).type(), VarType::Int32);
    EXPECT_EQ(list(3).type(), VarType::Double);
}

TEST(UtilitiesSort, TypedAndVariantArraysSortAlike) {
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> pick(0, 9);
    std::vector<double> plain(500);
    for (double& v : plain) v = pick(gen) * 0.5;
    Variant doubles = Variant::Doubles(plain, 1);
    Variant generic = Variant::List(std::vector<Variant>(plain.begin(), plain.end()), -3);
    MU::QuickSort1D(doubles, 1, 500);
    MU::QuickSort1D(generic, -3, 496);
    MU::QuickSort1D(std::span<double>(plain), 0, 499);
    EXPECT_TRUE(std::is_sorted(plain.begin(), plain.end()));
    EXPECT_EQ(doubles.elemKind(), VarType::Double);
    for (std::int32_t i = 0; i < 500; ++i) {
        EXPECT_EQ(CDbl(doubles(i + 1)), plain[static_cast<std::size_t>(i)]);
        EXPECT_EQ(CDbl(generic(i - 3)), plain[static_cast<std::size_t>(i)]);
    }
}

TEST(UtilitiesSort, ExplicitStackExchangesExactlyAsTheRecursion) {
    std::mt19937 gen(12345);
    for (int round = 0; round < 50; ++round) {
        const int n = 1 + round * 7;
        std::uniform_int_distribution<int> pick(0, round % 3 == 0 ? 3 : 1000);
        std::vector<double> keys(static_cast<std::size_t>(n));
        for (double& k : keys) k = pick(gen);
        if (round % 10 == 4) std::sort(keys.begin(), keys.end());
        if (round % 10 == 5) std::sort(keys.rbegin(), keys.rend());

        std::vector<double> ref = keys;
        std::vector<std::pair<int, int>> expected;
        RecursiveReference(ref, 0, n - 1, expected);

        std::vector<double> ours = keys;
        std::vector<std::pair<int, int>> actual;
        MU::QuickSortPositions(
            0, n - 1, [&](std::int32_t p) { return ours[static_cast<std::size_t>(p)]; },
            [&](std::int32_t p, std::int32_t q) {
                actual.emplace_back(p, q);
                std::swap(ours[static_cast<std::size_t>(p)], ours[static_cast<std::size_t>(q)]);
            });
        ASSERT_EQ(actual, expected) << "round " << round;
        EXPECT_TRUE(std::is_sorted(ours.begin(), ours.end()));
    }
}

TEST(UtilitiesSort, ThirteenKeySortCarriesAnOrder) {
    // How the engine draws its random order: sort random keys, carrying positions.
    std::vector<double> keys{0.61, 0.12, 0.93, 0.12, 0.45, 0.77, 0.05, 0.61, 0.33, 0.88, 0.21, 0.5, 0.7};
    std::vector<int> order(13);
    for (int i = 0; i < 13; ++i) order[static_cast<std::size_t>(i)] = i;
    MU::QuickSortPositions(
        0, 12, [&](std::int32_t p) { return keys[static_cast<std::size_t>(p)]; },
        [&](std::int32_t p, std::int32_t q) {
            std::swap(keys[static_cast<std::size_t>(p)], keys[static_cast<std::size_t>(q)]);
            std::swap(order[static_cast<std::size_t>(p)], order[static_cast<std::size_t>(q)]);
        });
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    // The two 0.12 keys were at 1 and 3, the two 0.61 keys at 0 and 7.
    EXPECT_EQ(order[0], 6);
    EXPECT_TRUE((order[1] == 1 && order[2] == 3) || (order[1] == 3 && order[2] == 1));
    std::vector<int> seen = order;
    std::sort(seen.begin(), seen.end());
    for (int i = 0; i < 13; ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
}

TEST(UtilitiesSort, NothingHappensOnEmptyRangesOrWrongShapes) {
    Variant list = Variant::List({3, 1, 2});
    MU::QuickSort1D(list, 1, 1);
    MU::QuickSort1D(list, 2, 0);
    EXPECT_EQ(CStr(list(0)) + CStr(list(1)) + CStr(list(2)), "312");

    Variant table = KeyedColumns({3, 1, 2}, "ABC");
    MU::QuickSort1D(table, 0, 2);  // two dimensions: not a list
    EXPECT_EQ(ItemsOfColumns(table), "ABC");
    MU::QuickSortColumnsByRow(list, 0, 0, 2);  // one dimension: not a table
    MU::QuickSortRowsByColumn(list, 0, 0, 2);
    EXPECT_EQ(CStr(list(0)) + CStr(list(1)) + CStr(list(2)), "312");

    Variant scalar(4.0);
    MU::QuickSort1D(scalar, 0, 3);
    EXPECT_EQ(CDbl(scalar), 4.0);
    Variant unallocated = Variant::Unallocated(VarType::Double);
    MU::QuickSort1D(unallocated, 0, 3);
    EXPECT_EQ(unallocated.dims(), 0);
}

TEST(UtilitiesSort, PartialRangeLeavesTheRestAlone) {
    Variant list = Variant::List({9, 8, 7, 6, 5, 4, 3});
    MU::QuickSort1D(list, 2, 5);
    std::string s;
    for (std::int32_t i = 0; i <= 6; ++i) s += CStr(list(i));
    EXPECT_EQ(s, "9845673");

    Variant cols = KeyedColumns({4, 3, 2, 1, 0}, "ABCDE");
    MU::QuickSortColumnsByRow(cols, 0, 1, 3);
    EXPECT_EQ(ItemsOfColumns(cols), "ADCBE");
}

TEST(UtilitiesSort, IndexOutsideTheBoundsRaises) {
    Variant list = Variant::List({3, 1, 2}, 1);
    try {
        MU::QuickSort1D(list, 0, 3);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::SubscriptRange);
    }
    Variant cols = KeyedColumns({2, 1}, "AB");
    EXPECT_THROW(MU::QuickSortColumnsByRow(cols, 2, 0, 1), AppError);  // no row 2
    EXPECT_THROW(MU::QuickSortRowsByColumn(cols, 5, 0, 1), AppError);  // no column 5
    std::vector<double> v{2, 1};
    EXPECT_THROW(MU::QuickSort1D(std::span<double>(v), 0, 2), AppError);
}

TEST(UtilitiesSort, NullAndNaNKeysCompareFalseAndLoseNothing) {
    Variant list = Variant::List({3, Variant(Null), 1, 2, Variant(Null)});
    MU::QuickSort1D(list, 0, 4);
    int nulls = 0;
    double sum = 0;
    for (std::int32_t i = 0; i <= 4; ++i) {
        if (list(i).get().isNull())
            ++nulls;
        else
            sum += CDbl(list(i));
    }
    EXPECT_EQ(nulls, 2);
    EXPECT_EQ(sum, 6.0);

    std::vector<double> v{3, NAN, 1, 2, NAN, 0};
    MU::SortDoubles(v);
    EXPECT_EQ(std::count_if(v.begin(), v.end(), [](double x) { return std::isnan(x); }), 2);
}

TEST(UtilitiesSort, LargeOrderedInputsNeedNoDeepStack) {
    // Already ordered input is the worst case: each pass splits off one position.
    std::vector<double> sorted(20000);
    for (std::size_t i = 0; i < sorted.size(); ++i) sorted[i] = static_cast<double>(i);
    EXPECT_LE(MU::QuickSort1D(std::span<double>(sorted), 0, 19999), 2u);
    EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));

    std::vector<double> reversed(sorted.rbegin(), sorted.rend());
    MU::QuickSort1D(std::span<double>(reversed), 0, 19999);
    EXPECT_EQ(reversed, sorted);

    std::vector<double> equal(100000, 1.5);
    EXPECT_LT(MU::QuickSort1D(std::span<double>(equal), 0, 99999), 40u);

    std::mt19937_64 gen(3);
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<double> random(100000);
    for (double& x : random) x = u(gen);
    std::vector<double> expected = random;
    std::sort(expected.begin(), expected.end());
    std::vector<double> viaStandard = random;
    MU::QuickSort1D(std::span<double>(random), 0, 99999);
    MU::SortDoubles(viaStandard);
    EXPECT_EQ(random, expected);
    EXPECT_EQ(viaStandard, expected);
}
