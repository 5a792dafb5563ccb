// Custom data, custom configuration items and custom capabilities: the
// driver's own settings as the host stores them by name.
#pragma once

#include "ht_list.h"
#include "ht_object.h"
#include "ht_string.h"

#include <cstdint>
#include <vector>

enum class HT_Custom_Data_Kind { Long, Double, Boolean, String, Raw };

class HT_EXPORT HT_Custom_Data : public HT_Object {
public:
    ~HT_Custom_Data() override;
    virtual HT_Custom_Data_Kind kind() const = 0;
    virtual HT_Custom_Data* clone() const = 0;
};

template <class Value, HT_Custom_Data_Kind K> class HT_Std_Custom_Data_Of : public HT_Custom_Data {
public:
    explicit HT_Std_Custom_Data_Of(Value v = Value{}) : m_value(std::move(v)) {}
    HT_Custom_Data_Kind kind() const override { return K; }
    HT_Custom_Data* clone() const override { return new HT_Std_Custom_Data_Of(m_value); }
    const Value& get_value() const { return m_value; }
    void set_value(Value v) { m_value = std::move(v); }

private:
    Value m_value;
};

using HT_Std_Long_Custom_Data = HT_Std_Custom_Data_Of<std::int32_t, HT_Custom_Data_Kind::Long>;
using HT_Std_Double_Custom_Data = HT_Std_Custom_Data_Of<double, HT_Custom_Data_Kind::Double>;
using HT_Std_Boolean_Custom_Data = HT_Std_Custom_Data_Of<bool, HT_Custom_Data_Kind::Boolean>;
using HT_Std_String_Custom_Data = HT_Std_Custom_Data_Of<HT_String, HT_Custom_Data_Kind::String>;
using HT_Std_Raw_Custom_Data =
    HT_Std_Custom_Data_Of<std::vector<std::uint8_t>, HT_Custom_Data_Kind::Raw>;

// A named value; both configuration items and capabilities are this shape.
class HT_EXPORT HT_Named_Custom_Data : public HT_Object {
public:
    HT_Named_Custom_Data() = default;
    HT_Named_Custom_Data(const char* name, HT_Custom_Data* data) : m_name(name), m_data(data) {}
    HT_Named_Custom_Data(const HT_Named_Custom_Data& o);
    ~HT_Named_Custom_Data() override;

    const HT_String& get_name() const { return m_name; }
    void set_name(const char* name) { m_name = name; }
    HT_Smart_Pointer<HT_Custom_Data> get_data() const { return m_data; }
    void set_data(HT_Custom_Data* data) { m_data = data; }

    // Typed reads: false when there is no value of that kind.
    bool get_long(std::int32_t& out) const;
    bool get_bool(bool& out) const;
    bool get_double(double& out) const;
    bool get_text(std::string& out) const;

private:
    HT_String m_name;
    HT_Smart_Pointer<HT_Custom_Data> m_data;
};

class HT_EXPORT HT_Custom_Config_Item : public HT_Named_Custom_Data {
public:
    using HT_Named_Custom_Data::HT_Named_Custom_Data;
    ~HT_Custom_Config_Item() override;
    HT_Custom_Config_Item* clone() const { return new HT_Custom_Config_Item(*this); }
};

class HT_EXPORT HT_Custom_Capability_Value : public HT_Named_Custom_Data {
public:
    using HT_Named_Custom_Data::HT_Named_Custom_Data;
    ~HT_Custom_Capability_Value() override;
    HT_Custom_Capability_Value* clone() const { return new HT_Custom_Capability_Value(*this); }
};

HT_DECLARE_LIST(HT_Custom_Capability_Value_List, HT_Custom_Capability_Value);

class HT_EXPORT HT_Custom_Capability : public HT_Named_Custom_Data {
public:
    using HT_Named_Custom_Data::HT_Named_Custom_Data;
    ~HT_Custom_Capability() override;
    HT_Custom_Capability* clone() const { return new HT_Custom_Capability(*this); }
};

HT_DECLARE_LIST(HT_Custom_Config_Item_List, HT_Custom_Config_Item);
HT_DECLARE_LIST(HT_Custom_Capability_List, HT_Custom_Capability);

// The configuration's custom items, looked up by key.
class HT_EXPORT HT_Custom_Configurations : public HT_Object {
public:
    HT_Custom_Configurations();
    HT_Custom_Configurations(const HT_Custom_Configurations& o);
    ~HT_Custom_Configurations() override;
    HT_Custom_Configurations* clone() const { return new HT_Custom_Configurations(*this); }

    HT_Smart_Pointer<HT_Custom_Config_Item_List> get_items() const { return m_items; }
    HT_Smart_Pointer<HT_Custom_Config_Item> find(const char* key) const;
    // Replaces the item of the same name or appends it.
    void set_item(HT_Custom_Config_Item* item);
    bool remove(const char* key);

private:
    HT_Smart_Pointer<HT_Custom_Config_Item_List> m_items;
};

class HT_EXPORT HT_Custom_Capabilities : public HT_Object {
public:
    HT_Custom_Capabilities();
    HT_Custom_Capabilities(const HT_Custom_Capabilities& o);
    ~HT_Custom_Capabilities() override;
    HT_Custom_Capabilities* clone() const { return new HT_Custom_Capabilities(*this); }

    HT_Smart_Pointer<HT_Custom_Capability_List> get_capabilities() const { return m_caps; }
    HT_Smart_Pointer<HT_Custom_Capability> find(const char* key) const;
    void set_capability(HT_Custom_Capability* cap);

private:
    HT_Smart_Pointer<HT_Custom_Capability_List> m_caps;
};

HT_DECLARE_SIMPLE(HT_Custom_Validator);
