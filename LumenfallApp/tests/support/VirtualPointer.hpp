#pragma once

#include "platform/wayland/WaylandProtocols.hpp"

#include <wlr-virtual-pointer-unstable-v1-client.h>

#include <string>

namespace lumen::test {

// A pointer device of our own on a compositor that offers wlroots' virtual pointers: its motion
// is input as the seat sees it (it moves the cursor and ends idleness).
class VirtualPointer {
public:
    explicit VirtualPointer(const std::string& socket)
    {
        display_ = wl_display_connect(socket.c_str());
        if (display_ == nullptr) return;
        registry_ = wl_display_get_registry(display_);
        static const wl_registry_listener listener{
            .global = [](void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
                if (std::string(interface) == zwlr_virtual_pointer_manager_v1_interface.name) {
                    static_cast<VirtualPointer*>(data)->manager_ = static_cast<zwlr_virtual_pointer_manager_v1*>(
                        wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
                }
            },
            .global_remove = [](void*, wl_registry*, std::uint32_t) {},
        };
        wl_registry_add_listener(registry_, &listener, this);
        wl_display_roundtrip(display_);
        if (manager_ != nullptr) pointer_ = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager_, nullptr);
        wl_display_roundtrip(display_);
    }
    ~VirtualPointer()
    {
        if (pointer_ != nullptr) zwlr_virtual_pointer_v1_destroy(pointer_);
        if (manager_ != nullptr) zwlr_virtual_pointer_manager_v1_destroy(manager_);
        if (registry_ != nullptr) wl_registry_destroy(registry_);
        if (display_ != nullptr) wl_display_disconnect(display_);
    }
    VirtualPointer(const VirtualPointer&) = delete;
    VirtualPointer& operator=(const VirtualPointer&) = delete;

    bool ok() const { return pointer_ != nullptr; }
    void move(double dx, double dy)
    {
        if (!ok()) return;
        zwlr_virtual_pointer_v1_motion(pointer_, ++time_, wl_fixed_from_double(dx), wl_fixed_from_double(dy));
        zwlr_virtual_pointer_v1_frame(pointer_);
        wl_display_roundtrip(display_);
    }

    // To a point of the output layout, whose size is width x height.
    void moveTo(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height)
    {
        if (!ok()) return;
        zwlr_virtual_pointer_v1_motion_absolute(pointer_, ++time_, x, y, width, height);
        zwlr_virtual_pointer_v1_frame(pointer_);
        wl_display_roundtrip(display_);
    }

private:
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    zwlr_virtual_pointer_manager_v1* manager_ = nullptr;
    zwlr_virtual_pointer_v1* pointer_ = nullptr;
    std::uint32_t time_ = 0;
};

}  // namespace lumen::test
