// A tree of items over a tree of objects, without a window: each item shows one object, hooks
// choose which objects get items, how children are ordered and which images and overlay they
// show. The device view and the OPC diagnostics tree share it. Items hold their objects only
// until the view's hints take them away; a window mirrors the items.
#pragma once

#include <memory>
#include <vector>

#include "platform/win32/CString.h"

class CTreeObject;

class CObjectTreeModel {
 public:
  class CItem {
   public:
    CTreeObject* GetObject() const { return m_pObject; }
    CItem* GetParent() const { return m_pParent; }
    const std::vector<std::unique_ptr<CItem>>& GetChildren() const { return m_children; }
    const CString& GetText() const { return m_strText; }
    int GetImage() const { return m_nImage; }
    int GetSelectedImage() const { return m_nSelectedImage; }
    int GetOverlay() const { return m_nOverlay; }
    // A key the subclass keeps beside the object (the device view: the device's record).
    const void* m_pKey = nullptr;

   private:
    friend class CObjectTreeModel;
    CTreeObject* m_pObject = nullptr;
    CItem* m_pParent = nullptr;
    std::vector<std::unique_ptr<CItem>> m_children;
    CString m_strText;
    int m_nImage = 0;
    int m_nSelectedImage = 0;
    int m_nOverlay = 0;
  };

  // Told when items come and go, so a window can mirror them.
  class CListener {
   public:
    virtual ~CListener() = default;
    virtual void OnItemsReset() {}
    // The item and its subtree are about to go (still whole); the other items stay as they are.
    virtual void OnItemRemoving(CItem*) {}
    virtual void OnItemChanged(CItem*) {}
    virtual void OnSelectionChanged(CItem*) {}
  };

  CObjectTreeModel() = default;
  virtual ~CObjectTreeModel() = default;
  CObjectTreeModel(const CObjectTreeModel&) = delete;
  CObjectTreeModel& operator=(const CObjectTreeModel&) = delete;

  void SetListener(CListener* listener) { m_pListener = listener; }

  // Null for a null or hidden object (nothing of its subtree is added).
  CItem* AddObjectTree(CTreeObject* object, CItem* parent);
  CItem* InsertObjectItem(CTreeObject* object, CItem* parent);
  // The item showing the object: a root item only when it shows that very object.
  CItem* FindObjectItem(CTreeObject* object) const;
  // New text and overlay; false when the object has no item.
  bool UpdateObjectItem(CTreeObject* object);
  void DeleteItem(CItem* item);
  void DeleteAllItems();
  const std::vector<std::unique_ptr<CItem>>& GetRootItems() const { return m_roots; }

  CItem* GetSelectedItem() const { return m_pSelected; }
  CTreeObject* GetSelectedObject() const { return m_pSelected != nullptr ? m_pSelected->GetObject() : nullptr; }
  // Selects the item and, unless notifications are suppressed, tells OnSelChanged.
  void SelectItem(CItem* item);

 protected:
  virtual bool IsObjectVisible(CTreeObject*) { return true; }
  virtual bool SortChildren(CTreeObject*) { return false; }
  virtual int GetObjectImage(CTreeObject*) { return 0; }
  virtual int GetObjectSelectedImage(CTreeObject*) { return 0; }
  virtual int GetObjectOverlay(CTreeObject*) { return 0; }
  virtual void OnSelChanged(CTreeObject*) {}
  // Items of the subtree are about to go.
  virtual void OnItemsRemoving(CItem*) {}

  // While set, deleting items tells no selection change.
  bool m_bSuppressSelection = false;
  CListener* m_pListener = nullptr;

  template <class F>
  void ForEachItem(F f) const {
    std::vector<CItem*> stack;
    for (const auto& root : m_roots) stack.push_back(root.get());
    while (!stack.empty()) {
      CItem* item = stack.back();
      stack.pop_back();
      f(item);
      for (const auto& child : item->m_children) stack.push_back(child.get());
    }
  }

 private:
  bool Contains(CItem* subtree, CItem* item) const;

  std::vector<std::unique_ptr<CItem>> m_roots;
  CItem* m_pSelected = nullptr;
};
