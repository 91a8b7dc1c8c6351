#pragma once
// The owner tree of the program's objects: a component owns the components made
// with it as owner and destroys them, the most recently added first.

#include <string>
#include <vector>

class TComponent {
public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Component(int index) const { return components_.at(static_cast<size_t>(index)); }
  // Destroys every owned component, the most recently added first.
  void DestroyComponents();
  bool Destroying() const { return destroying_; }

protected:
  void MarkDestroying() { destroying_ = true; }

private:
  void Insert(TComponent* component);
  void Remove(TComponent* component);

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;
  bool destroying_ = false;
};
