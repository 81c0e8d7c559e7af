# cmake -DHTML=<assembled pages> -DPROJECT=<manual sources> -DSTAGE=<work folder>
#       -DCHMCMD=<chmcmd> -DICONV=<iconv> -DOUT=<.../5120.CHM> -P compile.cmake
# The project, contents and index files are kept in UTF-8 and handed to chmcmd in GBK:
# Windows' help viewer reads them in code page 936 (language 0x804).
file(REMOVE_RECURSE ${STAGE})
file(COPY ${HTML}/ DESTINATION ${STAGE})

# Every page and picture goes into the file list.
file(GLOB_RECURSE files RELATIVE ${STAGE} ${STAGE}/*.html ${STAGE}/*.css ${STAGE}/*.png)
list(SORT files)
string(REPLACE ";" "\n" FILES "${files}")
configure_file(${PROJECT}/5120.hhp.in ${STAGE}/5120.utf8.hhp @ONLY)
configure_file(${PROJECT}/5120.hhc ${STAGE}/5120.utf8.hhc COPYONLY)
configure_file(${PROJECT}/5120.hhk ${STAGE}/5120.utf8.hhk COPYONLY)
foreach(kind hhp hhc hhk)
    execute_process(COMMAND ${ICONV} -f UTF-8 -t GBK ${STAGE}/5120.utf8.${kind}
                    OUTPUT_FILE ${STAGE}/5120.${kind} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "5120.${kind}: not representable in GBK")
    endif()
    file(REMOVE ${STAGE}/5120.utf8.${kind})
endforeach()

execute_process(COMMAND ${CHMCMD} --no-html-scan 5120.hhp WORKING_DIRECTORY ${STAGE}
                RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(failed OR NOT EXISTS ${STAGE}/5120.chm)
    message(FATAL_ERROR "chmcmd failed:\n${log}")
endif()
file(COPY_FILE ${STAGE}/5120.chm ${OUT})
