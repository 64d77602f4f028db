// The graphics device as the rest of the runner sees it: the one device of the game, the
// matrix helpers the drawing code builds its transforms with (left-handed, row vectors) and
// the texture size rule.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gpu/Gpu.h"

using D3DMatrix = platform::gpu::Matrix;

// The device, or null before creation and after release.
platform::gpu::IDevice* D3DDevice();
void SetD3DDevice(std::unique_ptr<platform::gpu::IDevice> device);

D3DMatrix MatrixScaling(float sx, float sy, float sz);
D3DMatrix MatrixTranslation(float x, float y, float z);
D3DMatrix MatrixRotationX(float angle);  // radians
D3DMatrix MatrixRotationY(float angle);
D3DMatrix MatrixRotationZ(float angle);
D3DMatrix MatrixRotationAxis(float x, float y, float z, float angle);
D3DMatrix MatrixMultiply(const D3DMatrix& a, const D3DMatrix& b);  // a then b
D3DMatrix MatrixLookAtLH(const platform::gpu::Vec3& eye, const platform::gpu::Vec3& at,
                         const platform::gpu::Vec3& up);
D3DMatrix MatrixPerspectiveFovLH(float fovy, float aspect, float zn, float zf);
D3DMatrix MatrixPerspectiveLH(float w, float h, float zn, float zf);
D3DMatrix MatrixOrthoLH(float w, float h, float zn, float zf);

// The size a texture for a w × h image gets: each side rounded up to a power of two when the
// device pads, and limited to the largest size it takes. False for sizes ≤ 0.
bool CheckTextureRequirements(const platform::gpu::DeviceCaps& caps, int32_t& w, int32_t& h);
