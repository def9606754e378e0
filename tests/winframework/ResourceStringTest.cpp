#include "winframework/ResourceString.h"
#include "resources/StringTable.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

TEST(StringTable, NumbersAreSortedAndUnique) {
    int previous = 0;
    for (const StringResource& entry : kStringTable) {
        EXPECT_GT(entry.id, previous) << entry.id;
        EXPECT_FALSE(entry.text.empty()) << entry.id;
        previous = entry.id;
    }
}

TEST(StringTable, MessageTextsByNumber) {
    EXPECT_EQ(ResourceString(3082), QStringLiteral("Unable to create a work folder."));
    EXPECT_EQ(ResourceString(3085), QStringLiteral("Undefined error."));
    EXPECT_EQ(ResourceString(4097), QStringLiteral("Some patch/wave files within the project cannot be found because "
                                                   "they have been deleted, moved, or renamed."));
    EXPECT_EQ(ResourceString(3072), QStringLiteral("Orvanta Librarian"));
    EXPECT_EQ(ResourceString(61699).arg(QStringLiteral("A.prj")), QStringLiteral("Save changes to A.prj?"));
    EXPECT_EQ(ResourceString(4107).split(u'\n').size(), 7);
    EXPECT_EQ(ResourceString(1), QString());
}

} // namespace
} // namespace Orvanta
