#include "platform/linux/gl/program_cache.h"

#include <string>

#include "core/trace.h"
#include "platform/linux/gl/shader_generator.h"

namespace gfx::gl {

namespace {

GLuint Compile(GLenum type, const char* source) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
        core::TraceError("shader compile failed", log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

}  // namespace

GLuint LinkProgram(const char* vertexSource, const char* fragmentSource) {
    GLuint vertex = Compile(GL_VERTEX_SHADER, vertexSource);
    GLuint fragment = Compile(GL_FRAGMENT_SHADER, fragmentSource);
    GLuint program = 0;
    if (vertex && fragment) {
        program = glCreateProgram();
        glAttachShader(program, vertex);
        glAttachShader(program, fragment);
        glLinkProgram(program);
        GLint ok = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (!ok) {
            glDeleteProgram(program);
            program = 0;
        }
    }
    if (vertex)
        glDeleteShader(vertex);
    if (fragment)
        glDeleteShader(fragment);
    return program;
}

ProgramCache::~ProgramCache() {
    for (auto& [key, program] : programs_) {
        if (program && program->name)
            glDeleteProgram(program->name);
    }
}

Program* ProgramCache::Get(const FixedFunctionKey& key) {
    auto found = programs_.find(key);
    if (found != programs_.end()) {
        ++stats_.hits;
        return found->second.get();
    }
    ++stats_.misses;
    const std::string vertex = GenerateVertexShader(key);
    const std::string fragment = GenerateFragmentShader(key);
    GLuint name = LinkProgram(vertex.c_str(), fragment.c_str());
    if (!name) {
        ++stats_.failures;
        programs_.emplace(key, nullptr);
        return nullptr;
    }
    ++stats_.compiled;
    auto program = std::make_unique<Program>();
    program->name = name;
    auto at = [name](const char* uniform) { return glGetUniformLocation(name, uniform); };
    program->worldView = at("uWorldView");
    program->projection = at("uProjection");
    program->normalMatrix = at("uNormalMatrix");
    program->viewport = at("uViewport");
    program->matDiffuse = at("uMatDiffuse");
    program->matAmbient = at("uMatAmbient");
    program->matSpecular = at("uMatSpecular");
    program->matEmissive = at("uMatEmissive");
    program->matPower = at("uMatPower");
    program->globalAmbient = at("uGlobalAmbient");
    program->lightMask = at("uLightMask");
    for (std::size_t slot = 0; slot < kMaxActiveLights; ++slot) {
        const std::string element = "uLights[" + std::to_string(slot * kLightVectors) + "]";
        program->lightSlot[slot] = at(element.c_str());
    }
    program->texMatrix = at("uTexMatrix");
    program->fogParams = at("uFogParams");
    program->fogColor = at("uFogColor");
    program->tfactor = at("uTFactor");
    program->alphaRef = at("uAlphaRef");
    glUseProgram(name);
    for (int i = 0; i < static_cast<int>(kMaxTextureStages); ++i) {
        const std::string sampler = "uTexture" + std::to_string(i);
        GLint location = at(sampler.c_str());
        if (location >= 0)
            glUniform1i(location, i);
    }
    Program* result = program.get();
    programs_.emplace(key, std::move(program));
    return result;
}

}  // namespace gfx::gl
