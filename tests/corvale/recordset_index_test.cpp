// Every change of a recordset, the constant-time removal among them, keeps
// the order and the indexes of the records that stay, and never touches a
// record of another list.

#include "kx_gen/DBRecord.h"
#include "kx_gen/DBRecordset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using kx_gen::CDBRecord;
using kx_gen::CDBRecordset;

namespace {

// The recordset agrees with a plain list of the same records.
void ExpectSame(const CDBRecordset &rs, const std::vector<CDBRecord *> &model, int step)
{
    ASSERT_EQ(rs.getSize(), model.size()) << "step " << step;
    for (std::size_t i = 0; i < model.size(); ++i) {
        ASSERT_EQ(rs.getRecord(i), model[i]) << "step " << step;
        ASSERT_EQ(rs.GetIndex(model[i]), static_cast<std::ptrdiff_t>(i)) << "step " << step;
    }
}

} // namespace

TEST(RecordsetIndex, EveryChangeOfTheListKeepsOrderAndIndexes)
{
    std::mt19937 random(7);
    CDBRecordset rs;
    std::vector<CDBRecord *> model;
    for (int step = 0; step < 2000; ++step) {
        const int op = model.empty() ? 0 : static_cast<int>(random() % 7);
        const std::size_t at = model.empty() ? 0 : random() % model.size();
        switch (op) {
        case 0:
            model.push_back(rs.Append());
            break;
        case 1: {
            CDBRecord *r = rs.InsertBefore(model[at]);
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), r);
            break;
        }
        case 2: {
            CDBRecord *r = rs.InsertAfter(model[at]);
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(at) + 1, r);
            break;
        }
        case 3: {
            CDBRecord *moved = model[at];
            CDBRecord *before = random() % 4 == 0 ? nullptr : model[random() % model.size()];
            rs.MoveBefore(moved, before);
            if (moved != before) {
                model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
                if (before)
                    model.insert(std::find(model.begin(), model.end(), before), moved);
                else
                    model.push_back(moved);
            }
            break;
        }
        case 4:
            ASSERT_TRUE(rs.Delete(model[at]));
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
            break;
        case 5:
            ASSERT_TRUE(rs.DeleteUnordered(model[at]));
            model[at] = model.back();
            model.pop_back();
            break;
        default: {
            // Out and back in through emptyRS and add, as saving does.
            std::vector<CDBRecord *> order = model;
            std::shuffle(order.begin(), order.end(), random);
            rs.emptyRS();
            for (CDBRecord *r : order)
                rs.add(r);
            model = order;
            break;
        }
        }
        ExpectSame(rs, model, step);
    }
}

TEST(RecordsetIndex, RecordsOfAnotherListOrCopiesAreNotFound)
{
    CDBRecordset one;
    CDBRecordset two;
    CDBRecord *a = one.Append();
    CDBRecord *b = two.Append();
    // Both sit at place 0 of their own list.
    EXPECT_EQ(one.GetIndex(b), -1);
    EXPECT_FALSE(one.DeleteUnordered(b));
    EXPECT_FALSE(one.Delete(b));
    CDBRecord copy(*a);
    EXPECT_EQ(one.GetIndex(&copy), -1);
    CDBRecord assigned;
    assigned = *a;
    EXPECT_EQ(one.GetIndex(&assigned), -1);
    EXPECT_EQ(one.GetIndex(a), 0);
    EXPECT_EQ(two.GetIndex(b), 0);
}

TEST(RecordsetIndex, PurgeAndDeleteUnorderedOfTheLastRecord)
{
    CDBRecordset rs;
    std::vector<CDBRecord *> kept;
    for (int i = 0; i < 6; ++i) {
        CDBRecord *r = rs.Append();
        if (i % 2)
            r->SetDeleted(true);
        else
            kept.push_back(r);
    }
    rs.purgeDeleted();
    ExpectSame(rs, kept, 0);
    ASSERT_TRUE(rs.DeleteUnordered(kept.back()));
    kept.pop_back();
    ExpectSame(rs, kept, 1);
    ASSERT_TRUE(rs.DeleteUnordered(kept.front()));
    kept.front() = kept.back();
    kept.pop_back();
    ExpectSame(rs, kept, 2);
}
