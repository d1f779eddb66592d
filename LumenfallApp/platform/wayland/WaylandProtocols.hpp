#pragma once

// The generated protocol headers, in one place: the layer shell's header names a parameter
// `namespace`, which C++ cannot take.
#include <wayland-client.h>

#define namespace namespace_
#include <wlr-layer-shell-unstable-v1-client.h>
#undef namespace
#include <ext-idle-notify-v1-client.h>
#include <idle-client.h>
#include <wlr-foreign-toplevel-management-unstable-v1-client.h>
#include <wlr-output-power-management-unstable-v1-client.h>
#include <xdg-output-unstable-v1-client.h>
