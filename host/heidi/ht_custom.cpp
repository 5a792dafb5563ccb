#include "ht_custom.h"

#include <cstring>

HT_Custom_Data::~HT_Custom_Data() = default;

HT_Named_Custom_Data::HT_Named_Custom_Data(const HT_Named_Custom_Data& o)
    : HT_Object(o), m_name(o.m_name), m_data(ht_clone(o.m_data)) {}

HT_Named_Custom_Data::~HT_Named_Custom_Data() = default;

bool HT_Named_Custom_Data::get_long(std::int32_t& out) const {
    auto* d = dynamic_cast<const HT_Std_Long_Custom_Data*>(m_data.get());
    if (!d)
        return false;
    out = d->get_value();
    return true;
}

bool HT_Named_Custom_Data::get_bool(bool& out) const {
    auto* d = dynamic_cast<const HT_Std_Boolean_Custom_Data*>(m_data.get());
    if (!d)
        return false;
    out = d->get_value();
    return true;
}

bool HT_Named_Custom_Data::get_double(double& out) const {
    auto* d = dynamic_cast<const HT_Std_Double_Custom_Data*>(m_data.get());
    if (!d)
        return false;
    out = d->get_value();
    return true;
}

bool HT_Named_Custom_Data::get_text(std::string& out) const {
    auto* d = dynamic_cast<const HT_Std_String_Custom_Data*>(m_data.get());
    if (!d)
        return false;
    out = d->get_value().str();
    return true;
}

HT_Custom_Config_Item::~HT_Custom_Config_Item() = default;
HT_Custom_Capability_Value::~HT_Custom_Capability_Value() = default;
HT_Custom_Capability::~HT_Custom_Capability() = default;

HT_Custom_Configurations::HT_Custom_Configurations() : m_items(new HT_Custom_Config_Item_List) {}

HT_Custom_Configurations::HT_Custom_Configurations(const HT_Custom_Configurations& o)
    : HT_Object(o), m_items(ht_clone(o.m_items)) {}

HT_Custom_Configurations::~HT_Custom_Configurations() = default;

HT_Smart_Pointer<HT_Custom_Config_Item> HT_Custom_Configurations::find(const char* key) const {
    if (!key)
        return {};
    for (const auto& item : *m_items)
        if (item && item->get_name() == key)
            return item;
    return {};
}

void HT_Custom_Configurations::set_item(HT_Custom_Config_Item* item) {
    if (!item)
        return;
    HT_Smart_Pointer<HT_Custom_Config_Item> keep(item);
    for (std::size_t i = 0; i < m_items->count(); ++i) {
        if (m_items->at(i)->get_name() == item->get_name()) {
            m_items->set(i, item);
            return;
        }
    }
    m_items->add(item);
}

bool HT_Custom_Configurations::remove(const char* key) {
    for (std::size_t i = 0; key && i < m_items->count(); ++i) {
        if (m_items->at(i)->get_name() == key) {
            m_items->erase(i);
            return true;
        }
    }
    return false;
}

HT_Custom_Capabilities::HT_Custom_Capabilities() : m_caps(new HT_Custom_Capability_List) {}

HT_Custom_Capabilities::HT_Custom_Capabilities(const HT_Custom_Capabilities& o)
    : HT_Object(o), m_caps(ht_clone(o.m_caps)) {}

HT_Custom_Capabilities::~HT_Custom_Capabilities() = default;

HT_Smart_Pointer<HT_Custom_Capability> HT_Custom_Capabilities::find(const char* key) const {
    if (!key)
        return {};
    for (const auto& cap : *m_caps)
        if (cap && cap->get_name() == key)
            return cap;
    return {};
}

void HT_Custom_Capabilities::set_capability(HT_Custom_Capability* cap) {
    if (!cap)
        return;
    HT_Smart_Pointer<HT_Custom_Capability> keep(cap);
    for (std::size_t i = 0; i < m_caps->count(); ++i) {
        if (m_caps->at(i)->get_name() == cap->get_name()) {
            m_caps->set(i, cap);
            return;
        }
    }
    m_caps->add(cap);
}
