// The bridge's IIterable<HSTRING>, read the way the Store reads it: each string
// handed out is the receiver's, iterators are independent, and the object is agile.
#include "calls/string_iterable.h"
#include "platform/hstring.h"

#include <gtest/gtest.h>

namespace {

const std::vector<wide_string> three = {WIDE("Durable"), WIDE(""), WIDE("Ünbekannt")};

com_ptr<winabi::IIterator<HSTRING>> first_of(winabi::IIterable<HSTRING>* iterable) {
    com_ptr<winabi::IIterator<HSTRING>> at;
    EXPECT_EQ(iterable->First(at.put()), S_OK);
    return at;
}

std::vector<wide_string> read_one_by_one(winabi::IIterator<HSTRING>* at) {
    std::vector<wide_string> words;
    boolean has_current = 0;
    EXPECT_EQ(at->get_HasCurrent(&has_current), S_OK);
    while (has_current) {
        unique_hstring word;
        EXPECT_EQ(at->get_Current(word.put()), S_OK);
        words.emplace_back(view_of(word));
        EXPECT_EQ(at->MoveNext(&has_current), S_OK);
    }
    return words;
}

} // namespace

TEST(string_iterable, hands_out_every_word_in_order_and_ends_with_bounds) {
    const auto iterable = make_string_iterable(three);
    const auto at = first_of(iterable.get());
    EXPECT_EQ(read_one_by_one(at.get()), three);
    unique_hstring past;
    EXPECT_EQ(at->get_Current(past.put()), E_BOUNDS);
    EXPECT_EQ(past.get(), nullptr);
    boolean has_current = 1;
    EXPECT_EQ(at->MoveNext(&has_current), S_OK);
    EXPECT_FALSE(has_current);
}

TEST(string_iterable, iterators_are_independent_and_the_list_may_be_empty) {
    const auto iterable = make_string_iterable(three);
    const auto one = first_of(iterable.get());
    boolean has_current = 0;
    EXPECT_EQ(one->MoveNext(&has_current), S_OK);
    EXPECT_EQ(read_one_by_one(first_of(iterable.get()).get()), three);
    EXPECT_EQ(read_one_by_one(one.get()), std::vector<wide_string>(three.begin() + 1, three.end()));

    const auto empty = make_string_iterable({});
    EXPECT_TRUE(read_one_by_one(first_of(empty.get()).get()).empty());
}

TEST(string_iterable, get_many_takes_what_fits_and_moves_on) {
    const auto iterable = make_string_iterable(three);
    const auto at = first_of(iterable.get());
    HSTRING items[2] = {};
    UINT32 actual = 99;
    EXPECT_EQ(at->GetMany(2, items, &actual), S_OK);
    ASSERT_EQ(actual, 2u);
    unique_hstring first, second;
    *first.put() = items[0];
    *second.put() = items[1];
    EXPECT_EQ(wide_string(view_of(first)), three[0]);
    EXPECT_EQ(wide_string(view_of(second)), three[1]);
    EXPECT_EQ(at->GetMany(2, items, &actual), S_OK);
    ASSERT_EQ(actual, 1u);
    unique_hstring third;
    *third.put() = items[0];
    EXPECT_EQ(wide_string(view_of(third)), three[2]);
    EXPECT_EQ(at->GetMany(2, items, &actual), S_OK);
    EXPECT_EQ(actual, 0u);
}

TEST(string_iterable, is_agile_with_the_free_threaded_marshaler) {
    const auto iterable = make_string_iterable(three);
    const auto at = first_of(iterable.get());
    for (IUnknown* object : {static_cast<IUnknown*>(iterable.get()), static_cast<IUnknown*>(at.get())}) {
        com_ptr<IUnknown> agile, marshal;
        EXPECT_EQ(object->QueryInterface(IID_IAgileObject, agile.put_void()), S_OK);
        EXPECT_EQ(object->QueryInterface(IID_IMarshal, marshal.put_void()), S_OK);
    }
    com_ptr<winabi::IIterable<HSTRING>> same;
    EXPECT_EQ(query(iterable.get(), winabi::IIterable<HSTRING>::iid, same), S_OK);
    EXPECT_EQ(same.get(), iterable.get());
}
