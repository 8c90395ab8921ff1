#include "app/create_device.h"

#include "engine/services.h"

namespace hc {

std::unique_ptr<Device> createDevice(Platform& platform, const PresentConfig& present) {
    std::unique_ptr<Device> device = platform.createDevice(present);
    if (!device) {
        showError("Direct3DDeviceの作成に失敗しました");
        return nullptr;
    }
    device->setRenderState(RenderState::Lighting, 0);
    device->setRenderState(RenderState::ZEnable, ZB_TRUE);
    device->setRenderState(RenderState::ZWriteEnable, 1);
    device->setRenderState(RenderState::ShadeMode, SHADE_GOURAUD);
    device->setRenderState(RenderState::FillMode, FILL_SOLID);
    device->setRenderState(RenderState::CullMode, CULL_CCW);
    device->setRenderState(RenderState::AlphaBlendEnable, 1);
    device->setRenderState(RenderState::SrcBlend, BLEND_SRCALPHA);
    device->setRenderState(RenderState::DestBlend, BLEND_INVSRCALPHA);
    device->setRenderState(RenderState::FogEnable, 0);
    device->setRenderState(RenderState::FogTableMode, FOG_LINEAR);
    device->setRenderState(RenderState::FogColor, 0xFF202020u);
    return device;
}

}  // namespace hc
