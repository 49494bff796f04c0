#include <gtest/gtest.h>

#include "lon/DataTypeNames.h"
#include "lon/DefaultObject.h"
#include "lon/LonTagsGroup.h"

namespace {

// A tree Root > A > B, plus an object whose own name holds a separator.
struct SmallTree {
  CDefaultObject* root = new CDefaultObject(L"Root");
  CDefaultObject* a = new CDefaultObject(L"A");
  CDefaultObject* b = new CDefaultObject(L"B");
  SmallTree() {
    root->AddChild(a);
    a->AddChild(b);
  }
  ~SmallTree() { delete root; }
};

TEST(TreeObjectTest, PathsAndFindByPath) {
  SmallTree t;
  EXPECT_EQ(t.root->GetPath(), L"Root");
  EXPECT_EQ(t.b->GetPath(), L"Root;A;B");
  struct Case {
    CTreeObject* on;
    const wchar_t* path;
    CTreeObject* expected;
  } cases[] = {
      {t.root, L"Root;A;B", t.b}, {t.a, L"Root;A;B", nullptr}, {t.root, L"Root", t.root},
      {t.root, L"Root;X", nullptr}, {t.root, L"root", nullptr}, {t.a, L"A;B", t.b},
  };
  for (const Case& c : cases) EXPECT_EQ(c.on->FindByPath(c.path), c.expected) << c.path;
}

TEST(TreeObjectTest, NameWithSeparatorMatchesAsOneSegment) {
  CDefaultObject root(L"A;B");
  auto* d = new CDefaultObject(L"D");
  root.AddChild(d);
  EXPECT_EQ(root.FindByPath(L"A;B;D"), d);
  EXPECT_EQ(root.FindByPath(L"A;B"), &root);
  EXPECT_EQ(root.FindByPath(L"A"), nullptr);
}

TEST(TreeObjectTest, FindChildIsExactAndNullNameThrowsOnlyWithChildren) {
  SmallTree t;
  EXPECT_EQ(t.root->FindChild(L"A"), t.a);
  EXPECT_EQ(t.root->FindChild(L"a"), nullptr);
  EXPECT_THROW(t.root->FindChild(nullptr), HRESULT);
  EXPECT_EQ(t.b->FindChild(nullptr), nullptr);
}

// Counts destructions so that deleting a root shows each descendant goes exactly once.
struct CountedObject : CDefaultObject {
  explicit CountedObject(int* counter) : m_counter(counter) {}
  ~CountedObject() override { ++*m_counter; }
  int* m_counter;
};

TEST(TreeObjectTest, DeletingRootDeletesEveryDescendantOnce) {
  int deleted = 0;
  auto* root = new CountedObject(&deleted);
  auto* child = new CountedObject(&deleted);
  root->AddChild(child);
  root->AddChild(child);  // a set: still one child
  child->AddChild(new CountedObject(&deleted));
  root->AddChild(new CountedObject(&deleted));
  delete root;
  EXPECT_EQ(deleted, 4);
}

TEST(TreeObjectTest, DefaultPropertiesAndRefusedEdit) {
  CDefaultObject object(L"Thing");
  CPropertyList list;
  object.FillProperties(list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]->m_strName, L"Misc");
  CPropertyRow* name = list[0]->FindChild(L"Name");
  ASSERT_NE(name, nullptr);
  EXPECT_FALSE(name->m_bEditable);
  EXPECT_EQ(CString(name->m_value.bstrVal), L"Thing");
  EXPECT_FALSE(object.OnPropertyChanged(0, COleVariant(L"x")));
  EXPECT_EQ(object.ShowProperties(), 2);
}

TEST(DataTypeNamesTest, LookupBothWays) {
  struct Case {
    VARTYPE vt;
    const wchar_t* name;
  } cases[] = {{VT_UI1, L"Byte"}, {VT_EMPTY, L"Empty/Default"}, {VT_DISPATCH, L"IDispatch"}, {20, L"20"}};
  for (const Case& c : cases) EXPECT_EQ(LookupDataTypeName(c.vt), c.name);
  ASSERT_NE(FindVarTypeByName(L"Long"), nullptr);
  EXPECT_EQ(FindVarTypeByName(L"Long")->vt, VT_I4);
  EXPECT_EQ(FindVarTypeByName(L"long"), nullptr);
  EXPECT_THROW(FindVarTypeByName(nullptr), HRESULT);
}

TEST(DataTypeNamesTest, DatatypeRowOffersTheTableInOrder) {
  CPropertyList list;
  CPropertyRow* group = AddPropertyGroup(list, L"Misc");
  CPropertyRow* row = AddDataTypeListProperty(group, 4, L"Long");
  ASSERT_EQ(row->m_options.size(), 16u);
  EXPECT_EQ(row->m_options.front(), L"Byte");
  EXPECT_EQ(row->m_options.back(), L"IDispatch");
  EXPECT_EQ(row->m_nDataId, 4);
  EXPECT_TRUE(row->m_bEditable);
  EXPECT_EQ(row->m_strDescription, L"Canonical type of the value");
}

}  // namespace
