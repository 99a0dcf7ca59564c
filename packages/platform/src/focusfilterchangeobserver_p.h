#pragma once

// The proxy generated from dbus/com.fenmoorlab.tarnwick.xml.
#include "tarnwick_interface.h"
