#include "ui/Component.h"

#include <algorithm>

#include "ui/LayoutValue.h"

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->Insert(this);
}

TComponent::~TComponent() {
  destroying_ = true;
  DestroyComponents();
  if (owner_ != nullptr) owner_->Remove(this);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    // The component's destructor takes itself out of the list; taking it out
    // first keeps the list right even if that destructor is not reached.
    Remove(last);
    delete last;
  }
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  for (TComponent* component : components_) {
    if (!name.empty() && component->Name() == name) return component;
  }
  return nullptr;
}

bool TComponent::SetProperty(const std::string& name, const LayoutValue& value) {
  if (name == "Tag") {
    tag_ = value.AsInteger();
    return true;
  }
  return false;
}

bool TComponent::SetEvent(const std::string&, std::function<void(TComponent*)>) { return false; }

void TComponent::Insert(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
  const auto it = std::find(components_.begin(), components_.end(), component);
  if (it != components_.end()) components_.erase(it);
  component->owner_ = nullptr;
}
