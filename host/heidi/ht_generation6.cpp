// The host's adapter for devices of both generations.
#include "ht_definition.h"
#include "ht_renderer.h"

// The table of a generation-6 device as its driver sees it: the device base
// class's operations in their order, without the reserved one. Never made;
// the adapter calls a generation-6 device through it, so each operation is
// found in the slot the driver put it in. Not in an unnamed namespace: the
// compiler would then know every class of the hierarchy and, seeing no
// override, call the pure operations themselves.
namespace ht_generation6 {
class Generation6_Device : public HT_Renderer_Data {
public:
    virtual std::uint32_t get_device_flags() const = 0;
    virtual HT_Plot_Options* get_plot_options_block() = 0;
    virtual const HT_Plot_Options* get_plot_options_block() const = 0;
    virtual void optimize_current_options() = 0;
    virtual void optimize_current_renderer_options() = 0;
    virtual HT_Renderer_Options* get_renderer_options_block() = 0;
    virtual void establish() = 0;
    virtual void establish_all() = 0;
    virtual void begin_picture(const HT_Document_Info& document) = 0;
    virtual void begin_picture_all(const HT_Document_Info& document) = 0;
    virtual void end_picture() = 0;
    virtual void end_picture_all() = 0;
    virtual void update() = 0;
    virtual void update_all() = 0;
    virtual void establish_configuration(HT_Smart_Pointer<HT_Plotter_Definition> definition) = 0;
    virtual void set_error_handler(HT_Smart_Pointer<HT_Error_Handler> handler) = 0;
};
} // namespace ht_generation6

namespace {

using ht_generation6::Generation6_Device;

Generation6_Device& as_generation6(HT_Plotter_Device_Data& device) {
    return reinterpret_cast<Generation6_Device&>(static_cast<HT_Renderer_Data&>(device));
}

} // namespace

bool HT_Device_Adapter::supported(int generation) {
    return generation >= ht_oldest_generation && generation <= ht_newest_generation;
}

HT_Device_Adapter::HT_Device_Adapter(int generation)
    : m_generation(supported(generation) ? generation : ht_newest_generation) {}

// The sanitizer's type check would see a call on a class the object is not
// of; that is the point of the adapter, so it is off for its two calls.
__attribute__((no_sanitize("vptr"))) void
HT_Device_Adapter::set_error_handler(HT_Plotter_Device_Data& device,
                                     HT_Smart_Pointer<HT_Error_Handler> handler) const {
    if (m_generation == 6)
        as_generation6(device).set_error_handler(std::move(handler));
    else
        device.set_error_handler(std::move(handler));
}

__attribute__((no_sanitize("vptr"))) void HT_Device_Adapter::establish_configuration(
    HT_Plotter_Device_Data& device, HT_Smart_Pointer<HT_Plotter_Definition> definition) const {
    if (m_generation == 6)
        as_generation6(device).establish_configuration(std::move(definition));
    else
        device.establish_configuration(std::move(definition));
}
