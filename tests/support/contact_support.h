// Contacts as the tests write and check them.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/contact_store.h"

inline StoredContact Contact(const std::wstring &name, std::vector<std::wstring> numbers)
{
    return StoredContact{name, std::move(numbers)};
}

inline void ExpectContact(const StoredContact &actual, const std::wstring &name,
                          const std::vector<std::wstring> &numbers)
{
    EXPECT_EQ(name, actual.name);
    EXPECT_EQ(numbers, actual.numbers);
}
