// state.cpp: the GL 1.1 state record and its texture records.
#include "gl11/state.h"

GlState glState;

TextureRecord& textureRecord(GlState& state, GLuint name)
{
    if (name >= state.textures.size())
        state.textures.resize(static_cast<size_t>(name) + 1);
    return state.textures[name];
}

const TextureRecord& findTextureRecord(const GlState& state, GLuint name)
{
    static const TextureRecord defaults;
    return name < state.textures.size() ? state.textures[name] : defaults;
}
