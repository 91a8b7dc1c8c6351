#pragma once
// The owner tree of the program's objects: a component owns the components made
// with it as owner and destroys them, the most recently added first.

#include <functional>
#include <string>
#include <vector>

struct LayoutValue;

class TComponent {
public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  // The class's name: it names window classes and layouts.
  virtual const char* ClassName() const { return "TComponent"; }
  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  // A number for the program's own use.
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Component(int index) const { return components_.at(static_cast<size_t>(index)); }
  // Destroys every owned component, the most recently added first.
  void DestroyComponents();
  bool Destroying() const { return destroying_; }
  // The owned component with that name, or null.
  TComponent* FindComponent(const std::string& name) const;

  // Layout reading: while a component's properties are read from a layout,
  // Reading() is true; Loaded() ends it once the whole layout has been read.
  bool Reading() const { return reading_; }
  virtual void BeginReading() { reading_ = true; }
  virtual void Loaded() { reading_ = false; }
  // Sets a property by its name as a layout stores it; false when the class has
  // no such property. Raises when the value is not acceptable.
  virtual bool SetProperty(const std::string& name, const LayoutValue& value);
  // Binds an event by its name as a layout stores it; false when there is none.
  virtual bool SetEvent(const std::string& name, std::function<void(TComponent*)> handler);

  // Runs once construction, the most derived constructor body included, is over.
  virtual void AfterConstruction() {}

protected:
  void MarkDestroying() { destroying_ = true; }

private:
  void Insert(TComponent* component);
  void Remove(TComponent* component);

  TComponent* owner_ = nullptr;
  std::string name_;
  int tag_ = 0;
  std::vector<TComponent*> components_;
  bool destroying_ = false;
  bool reading_ = false;
};
