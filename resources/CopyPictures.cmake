file(GLOB pictures ${SRC}/*.png)
if(pictures)
    file(COPY ${pictures} DESTINATION ${DST})
endif()
